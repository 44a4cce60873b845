#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>
#include <filesystem>

#include "app/application.h"
#include "app/main_window.h"
#include "app/worker_wait_dialog.h"
#include "options/debug_window.h"
#include "options/isolated_config.h"
#include "options/recorded_messages.h"
#include "support/real_ftp_server.h"
#include "support/session_settings.h"

// The whole program against a real server: a file dropped onto the window is
// uploaded under the File Transfer Status dialog, and the log window shows the
// exchange while that dialog is still open.
class TestLiveTransfer : public QObject {
    Q_OBJECT

private slots:
    void LogLinesAppearDuringADroppedUpload() {
        IsolatedConfig config;
        testsupport::PyftpdlibServer server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        RecordedMessages messages;

        // Large enough that the upload outlasts several idle steps even on a fast
        // loopback; sparse, so making it costs no disk writes here.
        constexpr qint64 kSize = 256LL * 1024 * 1024;
        QTemporaryDir local;
        const QString path = local.filePath("big.bin");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kSize));
        }

        Application app;
        QVERIFY(app.Start());
        FtpSession& session = app.Session();
        testsupport::Reconfigure(session, [&](ConnectionSettings& config) {
            config.timeoutSeconds = 20;
            config.host = server.HostText();
            config.user = "anonymous";
            config.password = "guest@example.org";
        });
        QVERIFY(session.Logon().Connected());
        if (!server.WritableRemoteDir().empty()) {
            QCOMPARE(session.ChangeDir(server.WritableRemoteDir()), kComplete);
        }

        DebugWindow* log = app.Window()->LogWindow();
        bool storeLineWhileOpen = false;
        QStringList dialogTitles;
        QTimer watcher;
        watcher.setInterval(20);
        app.Ui().SetDialogObserver([&](WorkerWaitDialog& dialog) {
            dialogTitles << dialog.windowTitle();
            QObject::connect(&watcher, &QTimer::timeout, &dialog, [&] {
                // Only the document is read: the idle step alone must have put the line there.
                for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
                    if (block.text() == "Quillmoor: STOR big.bin" && dialog.isVisible())
                        storeLineWhileOpen = true;
                }
            });
            watcher.start();
        });

        app.Window()->UploadDroppedPaths({path});
        watcher.stop();
        QCOMPARE(messages.texts, QStringList());
        QCOMPARE(dialogTitles.value(0), QStringLiteral("File Transfer Status"));
        QVERIFY(storeLineWhileOpen);
        QCOMPARE(std::filesystem::file_size(server.WritableDir() / "big.bin"), std::uintmax_t(kSize));

        app.requestExit();
        app.Shutdown();
    }
};

QTEST_MAIN(TestLiveTransfer)
#include "test_live_transfer.moc"
