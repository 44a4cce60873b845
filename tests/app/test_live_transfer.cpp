#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>
#include <filesystem>

#include "app/application.h"
#include "app/background_queue.h"
#include "app/main_window.h"
#include "browser/program_driver.h"
#include "browser/server_fixture.h"
#include "browser/test_files.h"
#include "options/debug_window.h"
#include "options/isolated_config.h"
#include "options/recorded_messages.h"
#include "support/real_ftp_server.h"

// The whole program against a real server: a file dropped onto the window is
// uploaded by the transfer queue, and the log window shows the queue
// connection's exchange while the job is still running.
class TestLiveTransfer : public QObject {
    Q_OBJECT

private slots:
    void LogLinesAppearDuringADroppedUpload() {
        IsolatedConfig config;
        // Each data connection carries so little per second that the upload
        // lasts several seconds however fast the machine is.
        testsupport::PyftpdlibOptions throttled;
        throttled.bytesPerSecond = 512 * 1024;
        testsupport::PyftpdlibServer server(throttled);
        if (!server.Started()) QSKIP(server.Problem().c_str());
        if (!server.WritableRemoteDir().empty()) QSKIP("the server's root is not writable");
        WriteTestFile(config.Path() + "/Corvane/Wexal.INI", LocalSiteCatalogue(server.HostText()));
        RecordedMessages messages;

        // Sparse, so making it costs no disk writes here.
        constexpr qint64 kSize = 2LL * 1024 * 1024;
        QTemporaryDir local;
        const QString path = local.filePath("big.bin");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kSize));
        }

        Application app;
        QVERIFY(app.Start());
        app.Settings().email = "guest@example.org";
        ProgramDriver user;
        user.Attach(app.Window());
        user.DoubleClick("Demo");
        user.DoubleClick("Local");
        QVERIFY(app.Window()->ListPane()->Place().connected);

        app.Window()->UploadDroppedPaths({path});
        QCOMPARE(messages.texts, QStringList());
        QCOMPARE(app.Transfers()->Queue().Jobs().size(), std::size_t(1));
        const std::uint64_t id = app.Transfers()->Queue().Jobs().front().id;
        const auto state = [&] { return app.Transfers()->Queue().Job(id)->state; };
        // Only the document is read: the log's own refresh must have put the line there.
        DebugWindow* log = app.Window()->LogWindow();
        const auto shown = [log] {
            for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
                if (block.text() == "Transfers: Quillmoor: STOR big.bin") return true;
            }
            return false;
        };
        // Shown first, running after: the line was there while the job ran.
        bool shownWhileRunning = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            (shownWhileRunning = shown() && state() == JobState::Running) || IsFinished(state()), 60000);
        QVERIFY2(shownWhileRunning, "the line came only after the upload had ended");
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(state()), 60000);
        QCOMPARE(std::filesystem::file_size(server.WritableDir() / "big.bin"), std::uintmax_t(kSize));

        app.requestExit();
        app.Shutdown();
    }
};

QTEST_MAIN(TestLiveTransfer)
#include "test_live_transfer.moc"
