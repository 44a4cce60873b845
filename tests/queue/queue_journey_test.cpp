// Background transfers through the whole program against a server that lets
// each data connection carry only so much per second: a folder dropped onto
// the window and three files sent with Download to... go to the transfer
// queue, the user browses meanwhile, pauses and resumes one download and
// cancels another, and every transfer that finished is whole and checked
// against the server's digest. The queue is still there after a restart.
#include <QRandomGenerator>
#include <QTreeView>

#include "app/application.h"
#include "app/background_queue.h"
#include "app/main_window.h"
#include "browser/browser_test_main.h"
#include "browser/program_driver.h"
#include "browser/server_fixture.h"
#include "browser/test_files.h"
#include "options/debug_window.h"
#include "platform/desktop/file_dialog_seam.h"
#include "platform/desktop/message_seam.h"
#include "queue/saved_queue.h"
#include "queue/transfer_queue_model.h"
#include "queue/transfer_queue_pane.h"
#include "sites/store/password_vault.h"

namespace {

constexpr long kBytesPerSecond = 256 * 1024;  // per data connection
constexpr int kDownloadBytes = 1024 * 1024;   // four seconds each at that speed
constexpr int kUploadBytes = 200 * 1024;
constexpr int kPatience = 60000;  // ms for the whole queue to finish

QByteArray RandomBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes) byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

}  // namespace

class QueueJourneyTest : public QObject {
    Q_OBJECT

private:
    ProgramDriver user;

    static std::optional<TransferJob> JobFor(Application& app, const std::string& remotePath) {
        for (const TransferJob& job : app.Transfers()->Queue().Jobs()) {
            if (job.remotePath == remotePath) return job;
        }
        return std::nullopt;
    }

    // Selects the job's row in the Transfers pane and runs the command as
    // its button would.
    static void RunOnJob(TransferQueuePane& pane, std::uint64_t id, QueueCommand command) {
        const int row = pane.Model()->RowOf(id);
        QVERIFY(row >= 0);
        pane.View()->selectionModel()->select(
            pane.Model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QVERIFY(pane.Action(command)->isEnabled());
        pane.Action(command)->trigger();
    }

private slots:
    void QueuedTransfersRunWhileTheUserBrowses() {
        testsupport::PyftpdlibOptions options;
        options.hashCommands = {"HASH"};
        options.bytesPerSecond = kBytesPerSecond;
        testsupport::PyftpdlibServer server(options);
        if (!server.Started()) QSKIP(server.Problem().c_str());
        const QString root = QString::fromStdString(server.WritableDir().string());
        QMap<QString, QByteArray> remoteFiles;
        for (const char* name : {"one.bin", "two.bin", "three.bin"})
            remoteFiles[name] = RandomBytes(kDownloadBytes);
        for (auto file = remoteFiles.begin(); file != remoteFiles.end(); ++file)
            WriteTestFile(root + "/pub/" + file.key(), file.value());
        WriteTestFile(root + "/pub/sub/inside.txt", "inside\n");

        QTemporaryDir scratch;
        const QString album = scratch.filePath("album");
        QMap<QString, QByteArray> albumFiles{{"a.jpg", RandomBytes(kUploadBytes)},
                                             {"b.jpg", RandomBytes(kUploadBytes)},
                                             {"deeper/c.jpg", RandomBytes(kUploadBytes)}};
        for (auto file = albumFiles.begin(); file != albumFiles.end(); ++file)
            WriteTestFile(album + "/" + file.key(), file.value());
        const QString downloads = scratch.filePath("downloads");
        QVERIFY(QDir().mkpath(downloads));
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server.HostText()));

        MessageLog messages;
        {
            Application app;
            QVERIFY(app.Start());
            app.Settings().email = "queue@example.com";
            MainWindow* frame = app.Window();
            user.Attach(frame);
            auto* pane = qobject_cast<TransferQueuePane*>(frame->TransfersPane());
            QVERIFY(pane);
            QCOMPARE(frame->BottomTabs()->tabText(frame->BottomTabs()->indexOf(pane)),
                     QStringLiteral("Transfers"));

            user.DoubleClick("Demo");
            user.DoubleClick("Local");
            user.DoubleClick("pub");
            QCOMPARE(user.Labels(), (QStringList{"one.bin", "sub", "three.bin", "two.bin"}));

            // A folder dropped onto the window, then three files with Download to...
            QCOMPARE(frame->BottomTabs()->currentWidget(), frame->LogWindow());
            QVERIFY(ProgramDriver::DropFile(frame, album));
            QCOMPARE(frame->BottomTabs()->currentWidget(), pane);  // the queued job is in sight
            RemoteListWidget& list = user.View()->List();
            list.SelectRow(list.FindLabel("one.bin"));
            for (const char* name : {"two.bin", "three.bin"}) list.SelectRow(list.FindLabel(name), true);
            SetFileDialogResponder([&](const FileDialogRequest& request) {
                return request.kind == FileDialogKind::Folder ? QStringList{downloads} : QStringList{};
            });
            frame->Action(u"downloadTo")->trigger();
            SetFileDialogResponder({});
            QCOMPARE(app.Transfers()->Queue().Jobs().size(), std::size_t(4));
            QTRY_COMPARE(pane->Model()->rowCount(), 4);  // the pane hears of them on its next turn

            // The list stays the user's while the queue works on its own connections.
            user.DoubleClick("sub");
            QCOMPARE(user.Labels(), QStringList{"inside.txt"});
            QVERIFY(JobFor(app, "/pub/album").has_value());

            // Pause the first download once it has moved, resume it later; it
            // continues from what it had.
            const std::uint64_t one = JobFor(app, "/pub/one.bin")->id;
            QTRY_VERIFY_WITH_TIMEOUT(JobFor(app, "/pub/one.bin")->doneBytes > 0, kPatience);
            RunOnJob(*pane, one, QueueCommand::Pause);
            QCOMPARE(JobFor(app, "/pub/one.bin")->state, JobState::Paused);
            QCOMPARE(pane->Model()
                         ->data(pane->Model()->index(pane->Model()->RowOf(one), TransferQueueModel::kState))
                         .toString(),
                     QStringLiteral("Paused"));

            // Cancel the third before it is done.
            const std::uint64_t three = JobFor(app, "/pub/three.bin")->id;
            RunOnJob(*pane, three, QueueCommand::Cancel);
            QCOMPARE(JobFor(app, "/pub/three.bin")->failure, std::string("Cancelled"));

            QTest::keyClick(list.ActiveView(), Qt::Key_Backspace);
            QVERIFY(user.Settle());
            QCOMPARE(app.Window()->ListPane()->Place().path, QStringLiteral("/pub"));
            RunOnJob(*pane, one, QueueCommand::Resume);

            // Everything but the cancelled download ends, each file checked by
            // the server's digest; the folder's files were checked one by one
            // as the walk sent them.
            QTRY_VERIFY_WITH_TIMEOUT(JobFor(app, "/pub/one.bin")->state == JobState::Verified &&
                                         JobFor(app, "/pub/two.bin")->state == JobState::Verified &&
                                         IsFinished(JobFor(app, "/pub/album")->state),
                                     kPatience);
            QCOMPARE(JobFor(app, "/pub/three.bin")->state, JobState::Failed);
            QVERIFY(JobFor(app, "/pub/one.bin")->attempts >= 2);  // paused, then run again
            for (const char* name : {"one.bin", "two.bin"})
                QCOMPARE(ProgramDriver::ReadAll(downloads + "/" + name), remoteFiles[name]);
            for (auto file = albumFiles.begin(); file != albumFiles.end(); ++file)
                QCOMPARE(ProgramDriver::ReadAll(root + "/pub/album/" + file.key()), file.value());
            QTRY_VERIFY_WITH_TIMEOUT(frame->LogWindow()
                                             ->Lines()
                                             .filter(QRegularExpression("^Transfers: .*HASH .*c\\.jpg"))
                                             .size() > 0,
                                     5000);

            // The list shows the uploaded folder without being asked.
            QTRY_VERIFY_WITH_TIMEOUT(user.Labels().contains("album"), 10000);
            QCOMPARE(messages.texts, QStringList());
            app.requestExit();
            app.Shutdown();
        }

        // The queue comes back after a restart, each job as it ended.
        Application again;
        QVERIFY(again.Start());
        QCOMPARE(again.Transfers()->Queue().Jobs().size(), std::size_t(4));
        QCOMPARE(JobFor(again, "/pub/two.bin")->state, JobState::Verified);
        QCOMPARE(JobFor(again, "/pub/three.bin")->failure, std::string("Cancelled"));
        again.Shutdown();
    }

    // Before a batch is queued, each target that exists is asked about:
    // for a file Skip leaves it out and Overwrite replaces it; for a folder
    // Skip keeps the files already there and brings the rest; Cancel queues
    // nothing of the batch. Paths that cannot be queued are named.
    void ExistingTargetsAreAskedAboutBeforeQueueing() {
        testsupport::PyftpdlibServer server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        const QString root = QString::fromStdString(server.WritableDir().string());
        WriteTestFile(root + "/pub/keep.txt", "server keep\n");
        WriteTestFile(root + "/pub/replace.txt", "server replace\n");
        WriteTestFile(root + "/pub/folder/x.txt", "x\n");
        WriteTestFile(root + "/pub/folder/mine.txt", "server mine\n");
        WriteTestFile(root + "/pub/taken/y.txt", "y\n");
        QTemporaryDir scratch;
        qputenv("XDG_DATA_HOME", scratch.filePath("data").toUtf8());  // an empty queue, not the journey's
        const QString downloads = scratch.filePath("downloads");
        WriteTestFile(downloads + "/keep.txt", "local keep\n");
        WriteTestFile(downloads + "/replace.txt", "local old\n");
        WriteTestFile(downloads + "/folder/mine.txt", "mine\n");
        WriteTestFile(scratch.filePath("taken/z.txt"), "z\n");
        WriteTestFile(scratch.filePath("replace.txt"), "to send\n");
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server.HostText()));

        QStringList asked;
        bool renameUploads = false;
        SetMessageResponder([&asked, &renameUploads](const MessageRequest& request) {
            asked << request.text;
            if (request.buttons == MessageButtons::Ok) return MessageReply(MessageAnswer::Ok);
            // Only the five-choice question with its batch check box is answered.
            if (request.buttons != MessageButtons::ExistingFile || request.checkBox.isEmpty())
                return MessageReply(MessageAnswer::Cancel);
            if (request.text.contains("on the server"))
                return MessageReply(renameUploads ? MessageAnswer::Rename : MessageAnswer::Cancel);
            if (request.text.contains("keep.txt")) return MessageReply(MessageAnswer::Rename);
            if (request.text.startsWith("Folder")) return MessageReply(MessageAnswer::Skip);
            return MessageReply(MessageAnswer::Overwrite);
        });
        Application app;
        QVERIFY(app.Start());
        app.Settings().email = "queue@example.com";
        user.Attach(app.Window());
        user.DoubleClick("Demo");
        user.DoubleClick("Local");
        user.DoubleClick("pub");
        RemoteListWidget& list = user.View()->List();
        list.SelectRow(list.FindLabel("keep.txt"));
        for (const char* name : {"replace.txt", "folder"}) list.SelectRow(list.FindLabel(name), true);
        SetFileDialogResponder([&](const FileDialogRequest&) { return QStringList{downloads}; });
        app.Window()->Action(u"downloadTo")->trigger();
        SetFileDialogResponder({});

        // In the list's order; each job carries its answer.
        QCOMPARE(asked, (QStringList{"Folder " + downloads + "/folder already exists.",
                                     "File " + downloads + "/keep.txt already exists.",
                                     "File " + downloads + "/replace.txt already exists."}));
        QCOMPARE(app.Transfers()->Queue().Jobs().size(), std::size_t(3));
        QCOMPARE(JobFor(app, "/pub/folder")->existing, ExistingFileChoice::Skip);
        QCOMPARE(JobFor(app, "/pub/keep.txt")->existing, ExistingFileChoice::Rename);
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(JobFor(app, "/pub/replace.txt")->state) &&
                                     IsFinished(JobFor(app, "/pub/keep.txt")->state) &&
                                     IsFinished(JobFor(app, "/pub/folder")->state),
                                 kPatience);
        QCOMPARE(ProgramDriver::ReadAll(downloads + "/replace.txt"), QByteArray("server replace\n"));
        QCOMPARE(ProgramDriver::ReadAll(downloads + "/keep.txt"), QByteArray("local keep\n"));
        QCOMPARE(ProgramDriver::ReadAll(downloads + "/keep (1).txt"), QByteArray("server keep\n"));
        QCOMPARE(ProgramDriver::ReadAll(downloads + "/folder/mine.txt"), QByteArray("mine\n"));
        QCOMPARE(ProgramDriver::ReadAll(downloads + "/folder/x.txt"), QByteArray("x\n"));

        // A file that reached the server after the list was read is asked
        // about when its job finds it there; the list then shows both.
        WriteTestFile(root + "/pub/late.txt", "server late\n");
        WriteTestFile(scratch.filePath("late.txt"), "mine late\n");
        asked.clear();
        renameUploads = true;
        app.Window()->UploadDroppedPaths({scratch.filePath("late.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(list.FindLabel("late (1).txt") >= 0, kPatience);
        QCOMPARE(asked, QStringList{"File /pub/late.txt already exists on the server."});
        QCOMPARE(ProgramDriver::ReadAll(root + "/pub/late.txt"), QByteArray("server late\n"));
        QCOMPARE(ProgramDriver::ReadAll(root + "/pub/late (1).txt"), QByteArray("mine late\n"));
        renameUploads = false;

        // Uploads: Cancel at a folder or a file the list shows queues nothing
        // of its batch; a path that is not there is named, the rest queued.
        asked.clear();
        app.Window()->UploadDroppedPaths({scratch.filePath("taken")});
        app.Window()->UploadDroppedPaths({scratch.filePath("taken/z.txt"), scratch.filePath("replace.txt")});
        QCOMPARE(app.Transfers()->Queue().Jobs().size(), std::size_t(4));
        app.Window()->UploadDroppedPaths({scratch.filePath("gone.txt"), scratch.filePath("taken/z.txt")});
        QCOMPARE(asked, (QStringList{"Folder taken already exists on the server.",
                                     "File replace.txt already exists on the server.",
                                     "These items were not queued:\n" + scratch.filePath("gone.txt") +
                                         " (no such file or folder)"}));
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(JobFor(app, "/pub/z.txt")->state), kPatience);
        QCOMPARE(ProgramDriver::ReadAll(root + "/pub/z.txt"), QByteArray("z\n"));

        // A renamed upload goes beside the file there, which stays as it was.
        // The list may be refreshing after z.txt: then the job asks once it
        // finds the file on the server, instead of the drop asking.
        renameUploads = true;
        asked.clear();
        app.Window()->UploadDroppedPaths({scratch.filePath("replace.txt")});
        const TransferJob renamed = app.Transfers()->Queue().Jobs().back();
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(app.Transfers()->Queue().Job(renamed.id)->state), kPatience);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.front().endsWith("replace.txt already exists on the server."), qPrintable(asked.front()));
        QCOMPARE(ProgramDriver::ReadAll(root + "/pub/replace (1).txt"), QByteArray("to send\n"));
        QCOMPARE(ProgramDriver::ReadAll(root + "/pub/replace.txt"), QByteArray("server replace\n"));
        SetMessageResponder({});
        app.Shutdown();
    }

    // A saved queue after a restart: a catalogue site's job runs with the
    // site's stored log-in at once; a quick connection's waits, failed for
    // want of its log-in, until the user logs in to that host again.
    void SavedJobsRunOnceTheirSiteIsKnown() {
        testsupport::PyftpdlibServer server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        const QString root = QString::fromStdString(server.WritableDir().string());
        WriteTestFile(root + "/a.txt", "first\n");
        WriteTestFile(root + "/b.txt", "second\n");
        QTemporaryDir scratch;
        const QString saved = scratch.filePath("queue");
        const std::string quick = QueueSiteKey(QString::fromStdString(server.HostText()), true);
        {
            TransferQueue before;
            for (const auto& [site, name] :
                 {std::pair<std::string, std::string>{"Local", "a.txt"}, {quick, "b.txt"}}) {
                TransferJob job;
                job.site = site;
                job.remotePath = "/" + name;
                job.localPath = scratch.filePath(QString::fromStdString(name)).toStdString();
                before.Add(job);
            }
            std::string error;
            QVERIFY2(before.Save(saved.toStdString(), error), error.c_str());
        }
        ConnectionSettings login;
        login.host = server.HostText();
        login.user = "anonymous";
        login.password = "queue@example.com";
        login.dataMode = DataMode::Passive;
        login.timeoutSeconds = 10;

        LogQueue log;
        BackgroundQueue transfers(log, 2, saved);
        QStringList asked;
        transfers.Start([&](const std::string& site) -> std::optional<ConnectionSettings> {
            asked << QString::fromStdString(site);
            if (site == "Local") return login;
            return std::nullopt;
        });
        QCOMPARE(asked, (QStringList{"Local", QString::fromStdString(quick)}));
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(transfers.Queue().Jobs()[0].state), kPatience);
        QTRY_COMPARE_WITH_TIMEOUT(transfers.Queue().Jobs()[1].failure,
                                  std::string(BackgroundQueue::kUnknownSite), kPatience);
        QVERIFY(!QFile::exists(scratch.filePath("b.txt")));

        transfers.SiteConnected(quick, login);
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(transfers.Queue().Jobs()[1].state), kPatience);
        QCOMPARE(ProgramDriver::ReadAll(scratch.filePath("a.txt")), QByteArray("first\n"));
        QCOMPARE(ProgramDriver::ReadAll(scratch.filePath("b.txt")), QByteArray("second\n"));
        // The queue's connections logged into the program's log, marked as theirs.
        QTRY_VERIFY(log.Size() > 0);
        for (const std::string& line : log.TakeAll())
            QVERIFY2(line.rfind("Transfers: ", 0) == 0, line.c_str());
    }

    // A saved job of a site whose password only the keyring holds logs in
    // with it once the program starts.
    void SavedJobOfAKeyringSiteLogsIn() {
        testsupport::PyftpdlibServer server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        WriteTestFile(QString::fromStdString(server.WritableDir().string()) + "/a.txt", "first\n");
        QTemporaryDir scratch;
        qputenv("XDG_DATA_HOME", scratch.filePath("data").toUtf8());
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server.HostText(), "tester").replace("SAVPWD=FALSE", "SAVPWD=TRUE"));
        InMemoryPasswordVault keyring;
        std::string error;
        QVERIFY(keyring.Store(SitePasswordKey("Demo", "Local"), "secret", error));
        {
            TransferQueue saved;
            TransferJob job;
            job.site = "Local";
            job.remotePath = "/a.txt";
            job.localPath = scratch.filePath("a.txt").toStdString();
            saved.Add(job);
            QVERIFY(QDir().mkpath(QFileInfo(SavedQueue::DefaultPath()).path()));
            QVERIFY2(saved.Save(SavedQueue::DefaultPath().toStdString(), error), error.c_str());
        }

        Application app;
        app.UsePasswordVault(&keyring);
        QVERIFY(app.Start());
        QTRY_VERIFY_WITH_TIMEOUT(IsFinished(app.Transfers()->Queue().Jobs().at(0).state), kPatience);
        QCOMPARE(ProgramDriver::ReadAll(scratch.filePath("a.txt")), QByteArray("first\n"));
        app.Shutdown();
    }

    // The option's number of connections reaches the running queue as soon
    // as the options sheet commits it: with one, the second job waits for
    // the first; raised, it starts at once.
    void ConnectionsOptionAppliesAtOnce() {
        testsupport::PyftpdlibOptions options;
        options.bytesPerSecond = 64 * 1024;
        testsupport::PyftpdlibServer server(options);
        if (!server.Started()) QSKIP(server.Problem().c_str());
        const QString root = QString::fromStdString(server.WritableDir().string());
        for (const char* name : {"first.bin", "second.bin"})
            WriteTestFile(root + "/" + name, RandomBytes(512 * 1024));
        QTemporaryDir scratch;
        qputenv("XDG_DATA_HOME", scratch.filePath("data").toUtf8());
        ConnectionSettings login;
        login.host = server.HostText();
        login.user = "anonymous";
        login.password = "queue@example.com";
        login.dataMode = DataMode::Passive;
        login.timeoutSeconds = 10;

        Application app;
        QVERIFY(app.Start());
        app.Settings().queueConnections = 1;
        emit app.Window()->settingsChanged();
        BackgroundQueue& transfers = *app.Transfers();
        transfers.SiteConnected("Slow", login);
        std::vector<TransferJob> jobs(2);
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            jobs[i].site = "Slow";
            jobs[i].remotePath = i == 0 ? "/first.bin" : "/second.bin";
            jobs[i].localPath = scratch.filePath(i == 0 ? "first.bin" : "second.bin").toStdString();
        }
        transfers.Add(jobs);
        // A second's worth of the first file: the one connection is taken.
        QTRY_VERIFY_WITH_TIMEOUT(JobFor(app, "/first.bin")->doneBytes >= 64 * 1024, kPatience);
        QCOMPARE(JobFor(app, "/second.bin")->state, JobState::Queued);

        app.Settings().queueConnections = 3;
        emit app.Window()->settingsChanged();
        QTRY_COMPARE_WITH_TIMEOUT(JobFor(app, "/second.bin")->state, JobState::Running, 5000);
        QCOMPARE(JobFor(app, "/first.bin")->state, JobState::Running);
        app.Shutdown();
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(QueueJourneyTest)
#include "queue_journey_test.moc"
