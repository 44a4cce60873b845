// Upload..., Download to..., the recursive delete of folders and the filter
// box, against pyftpdlib: bytes compared, questions answered through the seams.
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QRegularExpression>
#include <QTreeView>

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

void SetModified(const QString& path, const QDateTime& time) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
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

    // Upload... sends the chosen files; for one the listing shows the user
    // chooses, and the choice is carried out on the server.
    void UploadAsksBeforeReplacingAListedFile_data() {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<int>("localAgeDays");  // the local file's age; negative: dated ahead
        QTest::addColumn<QByteArray>("existingAfter");
        QTest::addColumn<QByteArray>("renamedCopy");  // "notes (1).txt" afterwards; empty: none
        QTest::addColumn<bool>("secondSent");
        QTest::newRow("overwrite") << MessageAnswer::Overwrite << 0 << QByteArray("new text\n") << QByteArray()
                                   << true;
        QTest::newRow("skip") << MessageAnswer::Skip << 0 << QByteArray("old") << QByteArray() << true;
        QTest::newRow("cancel") << MessageAnswer::Cancel << 0 << QByteArray("old") << QByteArray() << false;
        QTest::newRow("rename") << MessageAnswer::Rename << 0 << QByteArray("old") << QByteArray("new text\n")
                                << true;
        QTest::newRow("resume") << MessageAnswer::Resume << 0 << QByteArray("old text\n") << QByteArray()
                                << true;
        QTest::newRow("if newer, local older") << MessageAnswer::OverwriteIfNewer << 400 << QByteArray("old")
                                               << QByteArray() << true;
        QTest::newRow("if newer, local newer") << MessageAnswer::OverwriteIfNewer << -400
                                               << QByteArray("new text\n") << QByteArray() << true;
    }
    void UploadAsksBeforeReplacingAListedFile() {
        QFETCH(MessageAnswer, answer);
        QFETCH(int, localAgeDays);
        QFETCH(QByteArray, existingAfter);
        QFETCH(QByteArray, renamedCopy);
        QFETCH(bool, secondSent);
        server->Put("notes.txt", "old");
        auto f = Connected();
        QTemporaryDir local;
        WriteLocal(local.filePath("notes.txt"), "new text\n");
        SetModified(local.filePath("notes.txt"), QDateTime::currentDateTime().addDays(-localAgeDays));
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
        QCOMPARE(ReadAll(Remote("notes.txt")), existingAfter);
        QCOMPARE(QFileInfo::exists(Remote("notes (1).txt")), !renamedCopy.isEmpty());
        if (!renamedCopy.isEmpty()) QCOMPARE(ReadAll(Remote("notes (1).txt")), renamedCopy);
        QCOMPARE(QFileInfo::exists(Remote("every byte.bin")), secondSent);
        if (secondSent) {
            QCOMPARE(ReadAll(Remote("every byte.bin")), AllBytes());
            QVERIFY(f->Labels().contains("every byte.bin"));  // the list shows it at once
        }
    }

    void UploadChosenAsNothingSendsNothing() {
        auto f = Connected();
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
        QVERIFY(QDir(server->Root()).isEmpty());
    }

    // Download to... fetches files and whole folders into the chosen folder;
    // a file already there is asked about, a folder already there is named.
    void DownloadToFetchesFilesAndFolders() {
        server->Put("top.bin", AllBytes());
        server->Put("pub/a.bin", AllBytes().left(1000));
        server->Put("pub/deeper/b.txt", "b\n");
        server->Put("left alone.txt", "x");
        auto f = Connected();
        QTemporaryDir local;
        FileDialogAnswers dialogs;
        dialogs.paths = {local.path()};
        MessageLog messages;
        f->Select({"top.bin", "pub"});

        f->view->DownloadSelectedTo();

        QCOMPARE(dialogs.requests.value(0).kind, FileDialogKind::Folder);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(ReadAll(local.filePath("top.bin")), AllBytes());
        QCOMPARE(ReadAll(local.filePath("pub/a.bin")), AllBytes().left(1000));
        QCOMPARE(ReadAll(local.filePath("pub/deeper/b.txt")), QByteArray("b\n"));
        QVERIFY(!QFileInfo::exists(local.filePath("left alone.txt")));

        // Again: the file is asked about (Skip keeps it), the folder is named.
        WriteLocal(local.filePath("top.bin"), "mine");
        messages.answer = MessageAnswer::Skip;
        f->view->DownloadSelectedTo();
        QCOMPARE(messages.texts.size(), 2);
        QCOMPARE(messages.texts[0], "File " + local.filePath("top.bin") + " already exists.");
        QCOMPARE(messages.buttons[0], MessageButtons::ExistingFile);
        QVERIFY(messages.texts[1].contains("pub (a folder of that name is already there)"));
        QCOMPARE(ReadAll(local.filePath("top.bin")), QByteArray("mine"));

        messages.answer = MessageAnswer::Overwrite;
        f->Select({"top.bin"});
        f->view->DownloadSelectedTo();
        QCOMPARE(ReadAll(local.filePath("top.bin")), AllBytes());
    }

    // Download to... of files that are all there already: each answer is
    // carried out on the local files, and "Apply to all in this batch"
    // answers the rest of the batch without asking again.
    void DownloadToCarriesOutTheChoice_data() {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("applyToAll");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QByteArray>("firstAfter");
        QTest::addColumn<QByteArray>("firstRenamed");  // "a (1).bin" afterwards; empty: none
        QTest::addColumn<bool>("secondReplaced");
        const QByteArray whole = AllBytes().left(3000);
        QTest::newRow("overwrite each") << MessageAnswer::Overwrite << false << 2 << whole << QByteArray() << true;
        QTest::newRow("skip all") << MessageAnswer::Skip << true << 1 << QByteArray("mine") << QByteArray()
                                  << false;
        QTest::newRow("rename all") << MessageAnswer::Rename << true << 1 << QByteArray("mine") << whole << false;
        QTest::newRow("cancel") << MessageAnswer::Cancel << false << 1 << QByteArray("mine") << QByteArray()
                                << false;
        // The local copies are a day older than the server's files.
        QTest::newRow("if newer, all") << MessageAnswer::OverwriteIfNewer << true << 1 << whole << QByteArray()
                                       << true;
        // "a.bin" holds the first 1000 bytes: the rest is fetched after them.
        QTest::newRow("resume all") << MessageAnswer::Resume << true << 1 << whole << QByteArray() << true;
    }
    void DownloadToCarriesOutTheChoice() {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, applyToAll);
        QFETCH(int, questions);
        QFETCH(QByteArray, firstAfter);
        QFETCH(QByteArray, firstRenamed);
        QFETCH(bool, secondReplaced);
        const QByteArray whole = AllBytes().left(3000);
        server->Put("a.bin", whole);
        server->Put("b.bin", whole);
        auto f = Connected();
        QTemporaryDir local;
        const bool resuming = answer == MessageAnswer::Resume;
        const QByteArray firstMine = resuming ? whole.left(1000) : QByteArray("mine");
        WriteLocal(local.filePath("a.bin"), firstMine);
        WriteLocal(local.filePath("b.bin"), resuming ? whole.left(2000) : QByteArray("mine"));
        for (const char* name : {"a.bin", "b.bin"})
            SetModified(local.filePath(name), QDateTime::currentDateTime().addDays(-1));
        FileDialogAnswers dialogs;
        dialogs.paths = {local.path()};
        MessageLog messages;
        messages.answer = answer;
        messages.checked = applyToAll;
        f->Select({"a.bin", "b.bin"});

        f->view->DownloadSelectedTo();

        QCOMPARE(messages.texts.size(), questions);
        QCOMPARE(ReadAll(local.filePath("a.bin")), firstAfter);
        QCOMPARE(QFileInfo::exists(local.filePath("a (1).bin")), !firstRenamed.isEmpty());
        if (!firstRenamed.isEmpty()) QCOMPARE(ReadAll(local.filePath("a (1).bin")), firstRenamed);
        QCOMPARE(ReadAll(local.filePath("b.bin")) == whole, secondReplaced);
        QCOMPARE(QFileInfo::exists(local.filePath("b (1).bin")), answer == MessageAnswer::Rename);
        QVERIFY(!QFileInfo::exists(local.filePath("a.bin.part")));
        if (resuming) {
            // Each file went on from the bytes already here.
            QString lines;
            for (const std::string& line : f->log.TakeAll()) lines += QString::fromStdString(line) + u'\n';
            QVERIFY2(lines.contains("a.bin.part from byte 1000.") && lines.contains("b.bin.part from byte 2000."),
                     qPrintable(lines));
        }
    }

    // An ASCII download cannot be continued: Resume replaces the file whole
    // and leaves no partial file behind to be continued by mistake later.
    void ResumeOfAnAsciiDownloadFetchesItWhole() {
        server->Put("notes.txt", "one\ntwo\n");
        auto f = std::make_unique<ViewFixture>(LocalSiteCatalogue(server->HostText()));
        f->settings.transferMode = 'A';
        OpenSite(*f, "Demo", "Local");
        QTemporaryDir local;
        WriteLocal(local.filePath("notes.txt"), "one\n");
        FileDialogAnswers dialogs;
        dialogs.paths = {local.path()};
        MessageLog messages;
        messages.answer = MessageAnswer::Resume;
        f->Select({"notes.txt"});

        f->view->DownloadSelectedTo();

        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(ReadAll(local.filePath("notes.txt")), QByteArray("one\ntwo\n"));
        QVERIFY(!QFileInfo::exists(local.filePath("notes.txt.part")));
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
        scripted.Expect("PWD", "257 \"/\"\r\n");
        ExpectListing(scripted, Line('d', "victim"));
        scripted.Expect("CWD", "250 ok\r\n").Expect("PWD", "257 \"/victim\"\r\n");
        ExpectListing(scripted, Line('-', "a") + Line('-', "b"));
        scripted.Expect("CWD", "250 ok\r\n");
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
