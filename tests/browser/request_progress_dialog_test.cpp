// What the progress dialog of a running request shows of a transfer: the bar
// (in thousands of bytes past 1000), the bytes as text, the speed and the time left.
#include <QProgressBar>
#include <QTest>

#include "browser/request_progress_dialog.h"
#include "browser_test_main.h"

class RequestProgressDialogTest : public QObject {
    Q_OBJECT

private slots:
    void TheBarCountsInThousands_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("done");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("bytes");
        const QString get = QStringLiteral("Retrieving big.iso From 127.0.0.1");
        QTest::newRow("2,500,000 bytes") << get << qint64(2500000) << qint64(1234567) << 2500 << 1234
                                         << "1.2 MB of 2.5 MB";
        QTest::newRow("800 bytes") << get << qint64(800) << qint64(500) << 800 << 500 << "500 bytes of 800 bytes";
        QTest::newRow("6 GB, past 16 bits of thousands")
            << get << qint64(6000000000) << qint64(3000000000) << 6000000 << 3000000 << "3.0 GB of 6.0 GB";
        // Without a size the bar shows activity and the bytes tell how far.
        QTest::newRow("size never announced") << get << qint64(-1) << qint64(1234567) << 0 << 0 << "1.2 MB received";
        QTest::newRow("upload without a size") << "Sending a To b" << qint64(-1) << qint64(40000) << 0 << 0
                                               << "40.0 kB sent";
    }
    void TheBarCountsInThousands() {
        QFETCH(QString, text);
        QFETCH(qint64, total);
        QFETCH(qint64, done);
        QFETCH(int, maximum);
        QFETCH(int, position);
        RequestProgressDialog dialog(QStringLiteral("Transfer Status"), text, nullptr);
        dialog.ShowProgress(done, total);
        QCOMPARE(dialog.Bar().maximum(), maximum);
        if (maximum > 0) QCOMPARE(dialog.Bar().value(), position);
        QTEST(dialog.BytesText(), "bytes");
    }

    // The speed is measured from the first report on; the time left follows
    // the size once it is known.
    void ItShowsSpeedAndTimeLeft() {
        RequestProgressDialog dialog(QStringLiteral("Transfer Status"), QStringLiteral("Retrieving big.iso From h"),
                                     nullptr);
        auto now = TransferRate::Clock::time_point{} + std::chrono::hours(1);
        dialog.SetClock([&now] { return now; });
        dialog.ShowProgress(1000000, -1);  // what a resumed transfer starts from is no speed
        QCOMPARE(dialog.RateText(), QString());
        now += std::chrono::seconds(2);
        dialog.ShowProgress(3400000, -1);
        QCOMPARE(dialog.RateText(), QStringLiteral("1.2 MB/s"));
        now += std::chrono::seconds(2);
        dialog.ShowProgress(5800000, 60000000);
        QCOMPARE(dialog.RateText(), QStringLiteral("1.2 MB/s, 0:46 left"));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(RequestProgressDialogTest)
#include "request_progress_dialog_test.moc"
