#include <QSignalSpy>
#include <QtTest>
#include <csignal>

#include "platform/desktop/termination_signal_notifier.h"

namespace {
volatile std::sig_atomic_t previousHandlerCalls = 0;
void PreviousHandler(int) { previousHandlerCalls = previousHandlerCalls + 1; }
}  // namespace

class TestTerminationSignalNotifier : public QObject {
    Q_OBJECT

private slots:
    void SignalsArriveInTheEventLoopAndHandlersComeBack() {
        std::signal(SIGTERM, PreviousHandler);
        {
            TerminationSignalNotifier notifier;
            QVERIFY(notifier.IsActive());
            // Only one owner of the handlers at a time.
            TerminationSignalNotifier second;
            QVERIFY(!second.IsActive());

            QSignalSpy spy(&notifier, &TerminationSignalNotifier::terminationRequested);
            std::raise(SIGTERM);
            std::raise(SIGINT);
            QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
            QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
            QCOMPARE(spy.at(1).at(0).toInt(), SIGINT);
            QCOMPARE(int(previousHandlerCalls), 0);
        }
        std::raise(SIGTERM);
        QCOMPARE(int(previousHandlerCalls), 1);

        // A new notifier after the first is gone works again.
        TerminationSignalNotifier again;
        QVERIFY(again.IsActive());
        QSignalSpy spy(&again, &TerminationSignalNotifier::terminationRequested);
        std::raise(SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignalNotifier)
#include "test_termination_signal_notifier.moc"
