#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>
#include <chrono>
#include <thread>

#include "app/connecting_dialog.h"
#include "app/desktop_engine_ui.h"
#include "app/get_directory_dialog.h"
#include "app/transfer_mode_dialog.h"
#include "app/transfer_status_dialog.h"
#include "ftp/transfer_status.h"

Q_DECLARE_METATYPE(EngineUi::WaitKind)

namespace {

void SetBusy(TransferStatus& status, int busy) {
    TransferStatusLock lock(status);
    status.busy = busy;
}

// A stand-in worker: sets busy, sleeps, clears busy and reports its end,
// like the engine's workers.
class FakeWorker {
public:
    FakeWorker(TransferStatus& status, EngineEvents& events, std::chrono::milliseconds runFor) : status(status) {
        SetBusy(status, 1);
        thread = std::thread([this, &events, runFor] {
            std::this_thread::sleep_for(runFor);
            SetBusy(this->status, 0);
            events.WorkerFinished();
        });
    }
    ~FakeWorker() { thread.join(); }

private:
    TransferStatus& status;
    std::thread thread;
};

}  // namespace

class TestProgressDialogs : public QObject {
    Q_OBJECT

private slots:
    // Painting a dialog converts its image in Qt's thread pool, whose pooled
    // threads hand their task queue over under a lock the thread sanitizer
    // cannot see; one pooled thread leaves nothing to hand over.
    void initTestCase() { QThreadPool::globalInstance()->setMaxThreadCount(1); }

    void DialogsCloseWhenTheWorkerReportsItsEnd_data() {
        QTest::addColumn<EngineUi::WaitKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("connecting") << EngineUi::WaitKind::Connecting << "Connecting"
                                    << "";
        QTest::newRow("getting directory") << EngineUi::WaitKind::GettingDirectory << "Getting Directory"
                                           << "Getting Directory From: 127.0.0.1";
        QTest::newRow("transfer") << EngineUi::WaitKind::TransferStatus << "File Transfer Status"
                                  << "Retrieving notes.txt From 127.0.0.1";
    }

    void DialogsCloseWhenTheWorkerReportsItsEnd() {
        QFETCH(EngineUi::WaitKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, text);
        TransferStatus status;
        DesktopEngineUi ui;
        QString shownTitle, shownText;
        ui.SetDialogObserver([&](WorkerWaitDialog& dialog) {
            shownTitle = dialog.windowTitle();
            shownText = dialog.TextLabel()->text();
        });
        FakeWorker worker(status, ui, std::chrono::milliseconds(100));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(ui.WaitForWorker(kind, text.toStdString(), status), EngineUi::WaitResult::Finished);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(shownTitle, title);
        QCOMPARE(shownText, text);
        // At the report, about 100 ms in, not at a tick (a poll would have come
        // 500 ms after opening).
        QVERIFY2(elapsed < 450, qPrintable(QString::number(elapsed)));
    }

    // The worker's byte counts reach the open dialog as they are reported;
    // however fast they come, one progress signal at a time waits in the queue.
    void ProgressReportsUpdateTheDialogWithoutFloodingTheQueue() {
        TransferStatus status;
        DesktopEngineUi ui;
        QSignalSpy progress(&ui, &DesktopEngineUi::progressChanged);
        QStringList shownBytes;
        ui.SetDialogObserver([&](WorkerWaitDialog& dialog) {
            auto& transfer = static_cast<TransferStatusDialog&>(dialog);
            QTimer::singleShot(0, &dialog, [&] {
                std::thread reporter([&] {
                    {
                        TransferStatusLock lock(status);
                        status.expectedBytes = 4000;
                        status.doneBytes = 2000;
                    }
                    for (int i = 0; i < 1000; ++i) ui.ProgressChanged();
                });
                reporter.join();
                QCoreApplication::processEvents();
                shownBytes << transfer.BytesLabel()->text();
                SetBusy(status, 0);
                ui.WorkerFinished();
            });
        });
        SetBusy(status, 1);
        QCOMPARE(ui.WaitForWorker(EngineUi::WaitKind::TransferStatus, "Retrieving a From h", status),
                 EngineUi::WaitResult::Finished);
        QCOMPARE(progress.count(), 1);
        QCOMPARE(shownBytes, QStringList{"2.0 kB of 4.0 kB"});
        // Once delivered, the next report queues again.
        ui.ProgressChanged();
        QTRY_COMPARE(progress.count(), 2);
    }

    void TheFirstRefreshThatSeesBusyClearClosesWithOk() {
        TransferStatus status;
        status.busy = 1;
        GetDirectoryDialog dialog(status, "Getting Directory From: h");
        dialog.show();
        dialog.Refresh();
        QVERIFY(dialog.isVisible());
        status.busy = 0;
        dialog.Refresh();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        dialog.Refresh();  // a late report after closing changes nothing
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void CancelAndEscapeEndWithCancel_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Escape key") << true;
    }

    void CancelAndEscapeEndWithCancel() {
        QFETCH(bool, escape);
        TransferStatus status;
        SetBusy(status, 1);  // a worker that never finishes
        DesktopEngineUi ui;
        ui.SetDialogObserver([escape](WorkerWaitDialog& dialog) {
            QTimer::singleShot(700, &dialog, [&dialog, escape] {
                if (escape) {
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                } else {
                    dialog.Buttons()->button(QDialogButtonBox::Cancel)->click();
                }
            });
        });
        QCOMPARE(ui.WaitForWorker(EngineUi::WaitKind::TransferStatus, "Sending a To b", status),
                 EngineUi::WaitResult::Cancelled);
    }

    void TransferBarCountsInThousands_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<qint64>("done");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("bytes");
        const QString get = QStringLiteral("Retrieving big.iso From 127.0.0.1");
        QTest::newRow("2,500,000 bytes") << get << qint64(2500000) << qint64(1234567) << 2500 << 1234
                                         << "1.2 MB of 2.5 MB";
        QTest::newRow("800 bytes") << get << qint64(800) << qint64(500) << 800 << 0 << "500 bytes of 800 bytes";
        QTest::newRow("exactly 1000 bytes") << get << qint64(1000) << qint64(1000) << 1000 << 0 << "1.0 kB of 1.0 kB";
        QTest::newRow("6 GB, past 16 bits of thousands")
            << get << qint64(6000000000) << qint64(3000000000) << 6000000 << 3000000 << "3.0 GB of 6.0 GB";
        // Without a size the bar shows activity and the bytes tell how far.
        QTest::newRow("size never announced") << get << qint64(0) << qint64(1234567) << 0 << 0 << "1.2 MB received";
        QTest::newRow("upload without a size") << "Sending a To b" << qint64(0) << qint64(40000) << 0 << 0
                                               << "40.0 kB sent";
        QTest::newRow("nothing yet") << get << qint64(0) << qint64(0) << 100 << 0 << "";
    }

    void TransferBarCountsInThousands() {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QFETCH(qint64, done);
        QFETCH(int, maximum);
        QFETCH(int, position);
        TransferStatus status;
        status.busy = 1;
        status.expectedBytes = expected;
        status.doneBytes = done;
        TransferStatusDialog dialog(status, text);
        dialog.show();
        dialog.Refresh();
        QCOMPARE(dialog.Bar()->minimum(), 0);
        QCOMPARE(dialog.Bar()->maximum(), maximum);
        QCOMPARE(dialog.Bar()->value(), position);
        QTEST(dialog.BytesLabel()->text(), "bytes");
        QVERIFY(dialog.isVisible());
    }

    void RangeIsSetOnceWhenTheSizeBecomesKnown() {
        TransferStatus status;
        status.busy = 1;
        TransferStatusDialog dialog(status, "Sending a To b");
        dialog.show();
        dialog.Refresh();
        QCOMPARE(dialog.Bar()->maximum(), 100);
        status.expectedBytes = 5000;
        status.doneBytes = 2500;
        dialog.Refresh();
        QCOMPARE(dialog.Bar()->maximum(), 5);
        QCOMPARE(dialog.Bar()->value(), 2);
        status.expectedBytes = 9000000;  // a later size does not move the range again
        dialog.Refresh();
        QCOMPARE(dialog.Bar()->maximum(), 5);
    }

    // The speed is measured from the first report on; the time left follows
    // the size once it is known, and a new showing starts a new measure.
    void TransferShowsSpeedAndTimeLeft() {
        TransferStatus status;
        status.busy = 1;
        TransferStatusDialog dialog(status, "Retrieving big.iso From 127.0.0.1");
        auto now = TransferRate::Clock::time_point{} + std::chrono::hours(1);
        dialog.SetClock([&now] { return now; });
        dialog.show();
        status.doneBytes = 1000000;  // what a resumed transfer starts from is no speed
        dialog.Refresh();
        QCOMPARE(dialog.RateLabel()->text(), QString());
        QCOMPARE(dialog.RateLabel()->accessibleName(), QStringLiteral("Speed and time left"));

        now += std::chrono::seconds(2);
        status.doneBytes = 3400000;
        dialog.Refresh();
        QCOMPARE(dialog.RateLabel()->text(), QStringLiteral("1.2 MB/s"));  // no size yet

        now += std::chrono::seconds(2);
        status.expectedBytes = 60000000;
        status.doneBytes = 5800000;
        dialog.Refresh();
        QCOMPARE(dialog.RateLabel()->text(), QStringLiteral("1.2 MB/s, 0:46 left"));

        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.RateLabel()->text(), QString());
    }

    void ConnectingShowsBusyAnimationAndGetDirectoryDefaultsToCancel() {
        TransferStatus status;
        ConnectingDialog connecting(status, QString());
        QCOMPARE(connecting.Animation()->minimum(), 0);
        QCOMPARE(connecting.Animation()->maximum(), 0);  // the endless busy animation
        QVERIFY(connecting.TextLabel()->text().isEmpty());

        GetDirectoryDialog getting(status, "Getting Directory From: h");
        QVERIFY(getting.Buttons()->button(QDialogButtonBox::Cancel)->isDefault());
    }

    void TransferModeQuestionOnlyAsksWhetherToGoOn_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK goes on") << true;
        QTest::newRow("Cancel stops") << false;
    }

    void TransferModeQuestionOnlyAsksWhetherToGoOn() {
        QFETCH(bool, ok);
        DesktopEngineUi ui;
        bool sawNoSelection = false;
        QString title;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<TransferModeDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            sawNoSelection =
                dialog->findChildren<QRadioButton*>().size() == 3 && !dialog->ModeButtons()->checkedButton();
            dialog->findChildren<QRadioButton*>().at(1)->click();  // a choice changes nothing
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(ui.AskTransferMode(), ok);
        QCOMPARE(title, QStringLiteral("Transfer Mode"));
        QVERIFY(sawNoSelection);
    }
};

QTEST_MAIN(TestProgressDialogs)
#include "test_progress_dialogs.moc"
