// The speed and time-left texts under a progress bar.
#include "browser/transfer_rate_text.h"

#include <QTest>
#include <cmath>
#include <limits>

#include "browser_test_main.h"

class TransferRateTextTest : public QObject {
    Q_OBJECT

private slots:
    void TextsForSpeedAndTimeLeft_data() {
        QTest::addColumn<double>("bytesPerSecond");
        QTest::addColumn<qint64>("secondsLeft");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both") << 1.2e6 << qint64(42) << "1.2 MB/s, 0:42 left";
        QTest::newRow("rounded speed") << 1249999.0 << qint64(5) << "1.2 MB/s, 0:05 left";
        QTest::newRow("bytes") << 512.4 << qint64(0) << "512 bytes/s, 0:00 left";
        QTest::newRow("kilobytes") << 64000.0 << qint64(725) << "64.0 kB/s, 12:05 left";
        QTest::newRow("hours") << 3.5e9 << qint64(3723) << "3.5 GB/s, 1:02:03 left";
        QTest::newRow("a day and more") << 10.0 << qint64(90061) << "10 bytes/s, 25:01:01 left";
        QTest::newRow("time unknown") << 2.0e6 << qint64(-1) << "2.0 MB/s";
        QTest::newRow("speed unknown") << 0.0 << qint64(-1) << "";
        QTest::newRow("stalled, time still known") << 0.0 << qint64(7) << "0:07 left";
        QTest::newRow("no speed from nonsense") << std::nan("") << qint64(-5) << "";
        QTest::newRow("no negative speed") << -3.0 << qint64(-1) << "";
        QTest::newRow("absurd speed stays a number")
            << std::numeric_limits<double>::infinity() << qint64(1) << "1.0 EB/s, 0:01 left";
    }
    void TextsForSpeedAndTimeLeft() {
        QFETCH(double, bytesPerSecond);
        QFETCH(qint64, secondsLeft);
        QTEST(SpeedAndTimeLeftText(bytesPerSecond, secondsLeft), "expected");
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(TransferRateTextTest)
#include "transfer_rate_text_test.moc"
