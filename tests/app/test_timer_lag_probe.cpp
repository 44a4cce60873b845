#include <QtTest>
#include <chrono>
#include <thread>

#include "app/support/timer_lag_probe.h"

using namespace std::chrono_literals;

// The probe counts the time its thread could not run the timer, also when the
// block ends just before Stop (as when a test stops it right after a blocking
// call returns), and an idle event loop adds up to nothing.
class TestTimerLagProbe : public QObject {
    Q_OBJECT

private slots:
    void LatenessFollowsTheBlock_data() {
        QTest::addColumn<int>("blockMs");
        QTest::addColumn<bool>("loopAfterBlock");
        QTest::newRow("idle event loop") << 0 << true;
        QTest::newRow("block between firings") << 300 << true;
        QTest::newRow("block right before Stop") << 300 << false;
    }

    void LatenessFollowsTheBlock() {
        QFETCH(int, blockMs);
        QFETCH(bool, loopAfterBlock);
        TimerLagProbe probe;
        probe.Start();
        QTest::qWait(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(blockMs));
        if (loopAfterBlock) QTest::qWait(300);
        probe.Stop();
        QVERIFY(probe.Firings() > 0);
        if (blockMs == 0) {
            QVERIFY2(probe.WorstLateness() < 150ms,
                     qPrintable(QString::number(probe.WorstLateness().count())));
        } else {
            QVERIFY2(probe.WorstLateness() >= std::chrono::milliseconds(blockMs - 20),
                     qPrintable(QString::number(probe.WorstLateness().count())));
        }
    }
};

QTEST_MAIN(TestTimerLagProbe)
#include "test_timer_lag_probe.moc"
