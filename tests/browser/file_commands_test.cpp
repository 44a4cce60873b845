// Upload..., Download to..., the recursive delete of folders and the filter
// box, against pyftpdlib: the jobs queued and the bytes compared, questions
// answered through the seams.
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QRegularExpression>
#include <QTreeView>

#include "browser/background_transfers.h"
#include "browser/list_filter.h"
#include "browser_test_main.h"
#include "platform/desktop/file_dialog_seam.h"
#include "server_fixture.h"

namespace {

// Every byte value, so that a transfer that alters any of them shows.
QByteArray AllBytes() {
    QByteArray bytes;
    for (int round = 0; round < 40; ++round)
        for (int value = 0; value < 256; ++value) bytes.append(static_cast<char>(value));
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteLocal(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// File dialogs answered with fixed paths, each request recorded.
struct FileDialogAnswers {
    QStringList paths;
    QList<FileDialogRequest> requests;
    FileDialogAnswers() {
        SetFileDialogResponder([this](const FileDialogRequest& request) {
            requests << request;
            return paths;
        });
    }
    ~FileDialogAnswers() { SetFileDialogResponder({}); }
};

// The view's transfer queue, recording the jobs it is given.
struct RecordedTransfers : BackgroundTransfers {
    explicit RecordedTransfers(ViewFixture& f) : context(f.context) { context.transfers = this; }
    ~RecordedTransfers() override { context.transfers = nullptr; }

    void SiteConnected(const std::string&, const ConnectionSettings&) override {}
    void Add(const std::vector<TransferJob>& added) override {
        ++batches;
        jobs.insert(jobs.end(), added.begin(), added.end());
    }
    // Each job as "remote path[/ for a folder] choice".
    QStringList Described() const {
        static const QMap<ExistingFileChoice, QString> kChoices{
            {ExistingFileChoice::Overwrite, "overwrite"},
            {ExistingFileChoice::Skip, "skip"},
            {ExistingFileChoice::Rename, "rename"},
            {ExistingFileChoice::Resume, "resume"},
            {ExistingFileChoice::OverwriteIfNewer, "if newer"}};
        QStringList described;
        for (const TransferJob& job : jobs) {
            described << QString::fromStdString(job.remotePath) + (job.isDirectory ? "/ " : " ") +
                             (job.existing ? kChoices.value(*job.existing) : "none");
        }
        return described;
    }

    AppContext& context;
    std::vector<TransferJob> jobs;
    int batches = 0;
};

// Scripts one listing sent over an active data connection.
void ExpectListing(testsupport::ScriptedFtpServer& server, const std::string& listing) {
    server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("LIST", [listing](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Listing.\r\n");
        testsupport::DataLink link = connection.ConnectToLastPort();
        link.SendAll(listing);
        link.Close();
        connection.Send("226 Done.\r\n");
    });
}

std::string Line(char type, const std::string& name) {
    return std::string(1, type) + "rw-r--r--   1 ftp ftp 4 Jan  1  2020 " + name + "\r\n";
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoggedPyftpd> server;

    std::unique_ptr<ViewFixture> Connected() { return ConnectedTo(*server); }
    QString Remote(const QString& relative) const { return server->Root() + u'/' + relative; }

private slots:
    void initTestCase() {
        server = std::make_unique<LoggedPyftpd>();
        if (!server->Started()) QSKIP(server->Problem().c_str());
    }

    void init() {
        QDir(server->Root()).removeRecursively();
        QDir().mkpath(server->Root());
    }

    // Upload... queues the chosen files for the list's directory; for one the
    // listing shows the user chooses first, and its job carries the choice
    // (the queue carries it out: tests/queue).
    void UploadAsksBeforeReplacingAListedFile_data() {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QStringList>("queued");  // remote path and choice of each job
        const QString other = "/every byte.bin none";
        QTest::newRow("overwrite") << MessageAnswer::Overwrite << QStringList{"/notes.txt overwrite", other};
        QTest::newRow("skip") << MessageAnswer::Skip << QStringList{other};
        QTest::newRow("cancel") << MessageAnswer::Cancel << QStringList{};
        QTest::newRow("rename") << MessageAnswer::Rename << QStringList{"/notes.txt rename", other};
        QTest::newRow("resume") << MessageAnswer::Resume << QStringList{"/notes.txt resume", other};
        QTest::newRow("if newer") << MessageAnswer::OverwriteIfNewer
                                  << QStringList{"/notes.txt if newer", other};
    }
    void UploadAsksBeforeReplacingAListedFile() {
        QFETCH(MessageAnswer, answer);
        QFETCH(QStringList, queued);
        server->Put("notes.txt", "old");
        auto f = Connected();
        RecordedTransfers transfers(*f);
        QTemporaryDir local;
        WriteLocal(local.filePath("notes.txt"), "new text\n");
        WriteLocal(local.filePath("every byte.bin"), AllBytes());
        FileDialogAnswers dialogs;
        dialogs.paths = {local.filePath("notes.txt"), local.filePath("every byte.bin")};
        MessageLog messages;
        messages.answer = answer;

        f->view->UploadChosenFiles();

        QCOMPARE(dialogs.requests.size(), 1);
        QCOMPARE(dialogs.requests[0].kind, FileDialogKind::OpenFiles);
        QCOMPARE(messages.texts, QStringList{"File notes.txt already exists on the server."});
        QCOMPARE(messages.buttons, QList<MessageButtons>{MessageButtons::ExistingFile});
        // Both sides are described: the list's size and date, the local file's bytes.
        QVERIFY2(messages.details[0].startsWith("Existing file: 1K, modified ") &&
                     messages.details[0].contains("New file: 9 bytes, modified "),
                 qPrintable(messages.details[0]));
        QCOMPARE(transfers.Described(), queued);
        for (const TransferJob& job : transfers.jobs) {
            const QString name = QString::fromStdString(job.remotePath).mid(1);
            QCOMPARE(job.direction, TransferDirection::Upload);
            QCOMPARE(job.site, std::string("Local"));
            QCOMPARE(QString::fromStdString(job.localPath), local.filePath(name));
            QCOMPARE(job.totalBytes, QFileInfo(local.filePath(name)).size());
        }
        QCOMPARE(ReadAll(Remote("notes.txt")), QByteArray("old"));  // nothing moved on the list's session
    }

    void UploadChosenAsNothingSendsNothing() {
        auto f = Connected();
        RecordedTransfers transfers(*f);
        // Upload... is also on the menu of the directory's empty space.
        f->List().ClearSelection();
        std::unique_ptr<QMenu> menu(f->view->BuildContextMenu());
        QVERIFY(menu);
        QStringList texts;
        for (QAction* action : menu->actions()) texts << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(texts, (QStringList{"&Upload...", "Create &Directory...", "-", "&Refresh"}));
        FileDialogAnswers dialogs;  // Cancel
        MessageLog messages;
        f->view->UploadChosenFiles();
        QCOMPARE(dialogs.requests.size(), 1);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(transfers.batches, 0);
    }

    // Download to... queues files and whole folders for the chosen folder; a
    // file or a folder already there is asked about first.
    void DownloadToQueuesFilesAndFolders() {
        server->Put("top.bin", AllBytes());
        server->Put("pub/deeper/b.txt", "b\n");
        server->Put("left alone.txt", "x");
        auto f = Connected();
        RecordedTransfers transfers(*f);
        QTemporaryDir local;
        FileDialogAnswers dialogs;
        dialogs.paths = {local.path()};
        MessageLog messages;
        f->Select({"top.bin", "pub"});

        f->view->DownloadSelectedTo();

        QCOMPARE(dialogs.requests.value(0).kind, FileDialogKind::Folder);
        QVERIFY(messages.texts.isEmpty());
        // In the list's order.
        QCOMPARE(transfers.Described(), (QStringList{"/pub/ none", "/top.bin none"}));
        QCOMPARE(QString::fromStdString(transfers.jobs[0].localPath), local.filePath("pub"));
        QCOMPARE(QString::fromStdString(transfers.jobs[1].localPath), local.filePath("top.bin"));
        QCOMPARE(transfers.jobs[0].direction, TransferDirection::Download);

        // Again, both there: Skip leaves the file out and keeps the folder's
        // files, bringing what it lacks.
        WriteLocal(local.filePath("top.bin"), "mine");
        WriteLocal(local.filePath("pub/deeper/b.txt"), "mine");
        messages.answer = MessageAnswer::Skip;
        transfers.jobs.clear();
        f->view->DownloadSelectedTo();
        QCOMPARE(messages.texts, (QStringList{"Folder " + local.filePath("pub") + " already exists.",
                                              "File " + local.filePath("top.bin") + " already exists."}));
        QCOMPARE(transfers.Described(), QStringList{"/pub/ skip"});
    }

    // A selected name that no local file can have is named and stops the
    // whole batch: a download never quietly leaves part of the selection out.
    void DownloadToRefusesNamesNoLocalFileCanHave_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("leaves the folder") << "../escape.txt"
                                           << "\"../escape.txt\" cannot be downloaded: the server lists it "
                                              "under a name that no local file can have.";
        const QString longName = QString(300, u'n');
        QTest::newRow("too long") << longName
                                  << "\"" + longName +
                                         "\" cannot be downloaded: its local path would be too long.";
    }
    void DownloadToRefusesNamesNoLocalFileCanHave() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        server->Put("fine.txt", "x");
        auto f = Connected();
        RecordedTransfers transfers(*f);
        f->view->AddEntry(Entry("-rw-r--r--", "1", name.toStdString()));
        QTemporaryDir local;
        FileDialogAnswers dialogs;
        dialogs.paths = {local.path()};
        MessageLog messages;
        f->Select({"fine.txt", name});
        f->view->DownloadSelectedTo();
        QCOMPARE(messages.texts, QStringList{message});
        QCOMPARE(transfers.batches, 0);
    }

    // Download to... of files that are all there already: each answer goes
    // with its job, and "Apply to all in this batch" answers the rest of the
    // batch without asking again.
    void DownloadToCarriesTheChoice_data() {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("applyToAll");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QStringList>("queued");
        QTest::newRow("overwrite each")
            << MessageAnswer::Overwrite << false << 2 << QStringList{"/a.bin overwrite", "/b.bin overwrite"};
        QTest::newRow("skip all") << MessageAnswer::Skip << true << 1 << QStringList{};
        QTest::newRow("rename all") << MessageAnswer::Rename << true << 1
                                    << QStringList{"/a.bin rename", "/b.bin rename"};
        QTest::newRow("cancel") << MessageAnswer::Cancel << false << 1 << QStringList{};
        QTest::newRow("if newer, all") << MessageAnswer::OverwriteIfNewer << true << 1
                                       << QStringList{"/a.bin if newer", "/b.bin if newer"};
        QTest::newRow("resume all") << MessageAnswer::Resume << true << 1
                                    << QStringList{"/a.bin resume", "/b.bin resume"};
    }
    void DownloadToCarriesTheChoice() {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, applyToAll);
        QFETCH(int, questions);
        QFETCH(QStringList, queued);
        server->Put("a.bin", "server a");
        server->Put("b.bin", "server b");
        auto f = Connected();
        RecordedTransfers transfers(*f);
        QTemporaryDir local;
        WriteLocal(local.filePath("a.bin"), "mine");
        WriteLocal(local.filePath("b.bin"), "mine");
        FileDialogAnswers dialogs;
        dialogs.paths = {local.path()};
        MessageLog messages;
        messages.answer = answer;
        messages.checked = applyToAll;
        f->Select({"a.bin", "b.bin"});

        f->view->DownloadSelectedTo();

        QCOMPARE(messages.texts.size(), questions);
        QCOMPARE(transfers.Described(), queued);
        for (const char* name : {"a.bin", "b.bin"})
            QCOMPARE(ReadAll(local.filePath(name)), QByteArray("mine"));
    }

    // Delete of a full folder asks once, counting what goes; No keeps all of
    // it, Yes removes it all and nothing beside it.
    void DeletingAFullFolderAsksOnceWithTheCount_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("question");
        QTest::newRow("one folder")
            << QStringList{"victim"}
            << "Delete folder \"victim\" and everything in it: 3 files and 2 folders?";
        QTest::newRow("folder and file")
            << QStringList{"victim", "loose.txt"}
            << "Delete the 2 selected items and everything in their folders: 3 files and 2 folders?";
        QTest::newRow("empty folder")
            << QStringList{"hollow"}
            << "Are you sure you want to delete the selected item(s), they will be gone "
               "forever?";
    }
    void DeletingAFullFolderAsksOnceWithTheCount() {
        QFETCH(QStringList, selected);
        QFETCH(QString, question);
        server->Put("victim/a.txt", "a");
        server->Put("victim/sub/b.bin", AllBytes());
        server->Put("victim/sub/deeper/c.txt", "c");
        server->Put("loose.txt", "l");
        server->Put("kept.txt", "k");
        QDir().mkpath(Remote("hollow"));
        auto f = Connected();
        MessageLog messages;
        messages.answer = MessageAnswer::No;
        f->Select(selected);
        f->view->DeleteSelected();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts, QStringList{question});
        QVERIFY(QFileInfo::exists(Remote(selected.first())));

        messages.texts.clear();
        messages.answer = MessageAnswer::Yes;
        f->Select(selected);
        f->view->DeleteSelected();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts, QStringList{question});  // nothing else: no failure to report
        for (const QString& name : selected) QVERIFY2(!QFileInfo::exists(Remote(name)), qPrintable(name));
        QVERIFY(QFileInfo::exists(Remote("kept.txt")));
        for (const QString& name : selected) QVERIFY(!f->Labels().contains(name));
        QVERIFY(f->Labels().contains("kept.txt"));
    }

    // A link the list shows as a folder (MLSD shows what it leads to) goes
    // alone; what it leads to stays.
    void DeletingALinkLeavesWhatItLeadsTo() {
        server->Put("target/precious.txt", "p");
        QVERIFY(QFile::link("target", Remote("shortcut")));
        auto f = Connected();
        MessageLog messages;
        const QStringList labels = f->Labels();
        const QString shown = labels.filter(QRegularExpression("^shortcut")).value(0);
        f->Select({shown});
        f->view->DeleteSelected();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(!QFileInfo(Remote("shortcut")).isSymLink());
        QCOMPARE(ReadAll(Remote("target/precious.txt")), QByteArray("p"));
    }

    // Refusals inside a folder are named together once the rest of it has
    // gone; nothing else is shown.
    void RefusalsInsideAFolderAreReportedTogether() {
        testsupport::ScriptedFtpServer scripted;
        scripted.Expect("USER", "331 Password.\r\n").Expect("PASS", "230 In.\r\n");
        ExpectListing(scripted, Line('d', "victim"));
        // The folder is surveyed for the question, and again when it goes,
        // as it may have changed while the question was open.
        for (int survey = 0; survey < 2; ++survey) {
            scripted.Expect("PWD", "257 \"/\"\r\n");
            ExpectListing(scripted, Line('d', "victim"));
            scripted.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/victim\"\r\n");
            ExpectListing(scripted, Line('-', "a") + Line('-', "b"));
            scripted.Expect("CWD", "250 ok\r\n");
        }
        scripted.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/victim\"\r\n");
        scripted.Expect("DELE", "550 Permission denied.\r\n").Expect("DELE", "250 Gone.\r\n");
        scripted.Expect("CWD", "250 ok\r\n");
        scripted.Expect("RMD", "550 Directory not empty.\r\n").Expect("RMD", "550 Directory not empty.\r\n");
        ExpectListing(scripted, Line('d', "victim"));
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "tester", "secret"));
        f.settings.passiveMode = 0;
        OpenSite(f, "Demo", "Local");
        QCOMPARE(f.Labels(), QStringList{"victim"});
        MessageLog messages;
        f.Select({"victim"});
        f.view->DeleteSelected();
        QVERIFY(f.Settle());
        QCOMPARE(
            messages.texts,
            (QStringList{"Delete folder \"victim\" and everything in it: 2 files and 0 folders?",
                         "These items could not be deleted:\n/victim/a (550 Permission denied.)\n/victim "
                         "(550 Directory not empty.)"}));
        QCOMPARE(scripted.PendingSteps(), 0u);
        QVERIFY(scripted.Mismatches().empty());
        QCOMPARE(f.Labels(), QStringList{"victim"});
    }

    // The filter narrows the list as it is typed, ignoring case, in every
    // view mode; hidden items leave the selection.
    void FilterNarrowsTheList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("nothing typed") << "" << QStringList{"notes.txt", "photo.JPG", "Photos", "readme"};
        QTest::newRow("any case") << "PHOTO" << QStringList{"photo.JPG", "Photos"};
        QTest::newRow("inside the name") << "te" << QStringList{"notes.txt"};
        QTest::newRow("nothing matches") << "zzz" << QStringList{};
    }
    void FilterNarrowsTheList() {
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        for (const char* name : {"notes.txt", "photo.JPG", "readme", "Photos/inner.txt"})
            server->Put(name, "x");
        auto f = Connected();
        f->view->OpenFilter();
        QVERIFY(f->view->Filter().isVisibleTo(f->view.get()));
        QTest::keyClicks(f->view->Filter().findChild<QLineEdit*>("listFilterText"), text);
        QStringList visible;
        for (int row = 0; row < f->List().ItemCount(); ++row) {
            const bool inDetails = !f->List().DetailsView()->isRowHidden(row, QModelIndex());
            QCOMPARE(!f->List().IconView()->isRowHidden(row), inDetails);
            if (inDetails) visible << f->List().ItemText(row, 0);
        }
        QCOMPARE(visible, shown);
        f->List().ActiveView()->selectAll();
        QStringList selected;
        for (int row : f->List().SelectedRows()) selected << f->List().ItemText(row, 0);
        QCOMPARE(selected, shown);
    }

    // Escape clears and hides the filter; so does entering another folder.
    void FilterClearsOnEscapeAndOnAnotherFolder() {
        for (const char* name : {"pub/a.txt", "pub/b.txt", "other.txt"}) server->Put(name, "x");
        auto f = Connected();
        ListFilter& filter = f->view->Filter();
        auto* edit = filter.findChild<QLineEdit*>("listFilterText");
        QCOMPARE(edit->accessibleName(), QStringLiteral("Filter"));
        QVERIFY(!edit->toolTip().isEmpty());
        f->view->OpenFilter();
        QTest::keyClicks(edit, "OTH");
        QVERIFY(!filter.Shows(f->Row("pub")));
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(filter.Text().isEmpty());
        QVERIFY(!filter.isVisibleTo(f->view.get()));
        QVERIFY(filter.Shows(f->Row("pub")));

        f->view->OpenFilter();
        QTest::keyClicks(edit, "pu");
        f->Select({"pub"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), (QStringList{"a.txt", "b.txt"}));
        QVERIFY(filter.Text().isEmpty());
        QVERIFY(!filter.isVisibleTo(f->view.get()));
        QVERIFY(!f->List().DetailsView()->isRowHidden(0, QModelIndex()));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
