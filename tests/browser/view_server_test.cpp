// The view commands against a real local server (pyftpdlib) and, for replies a
// real server will not give, the scripted server.
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include "sites/catalogue_test_nodes.h"

#include "browser/file_properties_dialog.h"
#include "browser/connection_client.h"
#include "browser/permissions_dialog.h"
#include "browser_test_main.h"
#include "browser/progress_recorder.h"
#include "server_fixture.h"
#include "support/session_settings.h"

using testsupport::ScriptedFtpServer;

namespace {

// A login that succeeds, then a refused change to the site's initial directory
// (so no listing is fetched).
// The session sends FEAT after PASS; left unscripted, it is refused with 502
// and uses no step, but it is the third received command.
ScriptedFtpServer& ScriptLogin(ScriptedFtpServer& server) {
    return server.Expect("USER", "331 Send password.\r\n")
        .Expect("PASS", "230 Logged in.\r\n")
        .Expect("CWD", "550 No such directory.\r\n")
        .Expect("XCWD", "550 No such directory.\r\n");
}

}  // namespace

class ViewServerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoggedPyftpd> server;

    // A fixture connected to the pyftpdlib root through the catalogue's site.
    std::unique_ptr<ViewFixture> Connected() { return ConnectedTo(*server); }

private slots:
    void initTestCase() {
        server = std::make_unique<LoggedPyftpd>();
        if (!server->Started()) QSKIP(server->Problem().c_str());
    }

    void init() {
        QDir root(server->Root());
        root.removeRecursively();
        QDir().mkpath(server->Root());
    }

    void ConnectingListsTheLoginDirectoryAndEntersFolders() {
        server->Put("readme.txt", "hello");
        server->Put("pub/linux/kernel.tar", QByteArray(2500, 'k'));
        auto f = Connected();
        QVERIFY(f->view->Connected());
        QCOMPARE(f->Labels(), (QStringList{"pub", "readme.txt"}));
        QCOMPARE(f->List().ItemText(f->Row("readme.txt"), RemoteListModel::kSize), QStringLiteral("1K"));
        QCOMPARE(f->tree->CurrentLabel(), QStringLiteral("Local"));
        QCOMPARE(Label(Child(f->tree->CurrentNode(), 0)), QStringLiteral("pub"));

        f->Select({"pub"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), QStringList{"linux"});
        QCOMPARE(f->tree->CurrentLabel(), QStringLiteral("pub"));
        f->Select({"linux"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(f->List().ItemText(0, RemoteListModel::kSize), QStringLiteral("3K"));

        // File properties show where the file is.
        f->Select({"kernel.tar"});
        FilePropertiesDialog properties(f->List(), "Local/pub/linux/");
        QCOMPARE(properties.FieldText("Size:"), QStringLiteral("3K"));
        QCOMPARE(properties.FieldText("Location:"), QStringLiteral("Local/pub/linux/"));

        // Up twice: back to pub's parent, then the site's root asks first.
        f->view->GoUp();
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), QStringList{"linux"});
        f->view->GoUp();
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), (QStringList{"pub", "readme.txt"}));
        MessageLog messages;
        messages.answer = MessageAnswer::No;
        f->view->GoUp();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts.value(0), "You are at the root directory, are you sure you want to disconnect from " +
                                              QString::fromStdString(server->HostText()));
        QVERIFY(f->view->Connected());
        QCOMPARE(f->Labels(), (QStringList{"pub", "readme.txt"}));
        QCOMPARE(f->tree->CurrentLabel(), QStringLiteral("Local"));  // still on the site
        messages.answer = MessageAnswer::Yes;
        f->view->GoUp();
        QVERIFY(f->Settle());
        QVERIFY(!f->view->Connected());
        QCOMPARE(f->Labels(), QStringList{"Local"});
    }

    void OpeningADirectoryNodeOfTheTreeGoesThere() {
        server->Put("pub/linux/kernel.tar", "k");
        auto f = Connected();
        f->Select({"pub"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        f->Select({"linux"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), QStringList{"kernel.tar"});
        const QPersistentModelIndex pub = f->tree->CurrentNode().parent();
        QCOMPARE(Label(pub), QStringLiteral("pub"));

        // Connected to that site: one click goes straight to the node's path.
        f->LogLines();
        QVERIFY(f->ClickTreeItem(pub));
        QCOMPARE(f->Labels(), QStringList{"linux"});
        QVERIFY(f->LogLines().contains("Quillmoor: CWD /pub"));

        // Not connected: the site is connected to first.
        MessageLog messages;
        f->view->Disconnect(false);
        QVERIFY(f->Settle());
        QVERIFY(!f->view->Connected());
        QVERIFY(f->ClickTreeItem(Child(pub, 0)));
        QVERIFY(f->view->Connected());
        QCOMPARE(f->Labels(), QStringList{"kernel.tar"});
        QVERIFY(messages.texts.isEmpty());
        // The root's listing went under the site, not under the directory node.
        QCOMPARE(ChildCount(Child(pub, 0)), 0);
        QCOMPARE(ChildCount(pub.parent()), 1);
    }

    void AnonymousLoginUsesTheEmailSetting() {
        ScriptedFtpServer scripted;
        ScriptLogin(scripted);
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "anonymous", "", "/nowhere"));
        OpenSite(f, "Demo", "Local");
        QVERIFY(f.view->Connected());
        const auto received = scripted.Received();
        // A site left at the default asks for TLS first; this server refuses it.
        QCOMPARE(QString::fromStdString(received.at(0)), QStringLiteral("AUTH TLS"));
        QCOMPARE(QString::fromStdString(received.at(2)), QStringLiteral("PASS tester@example.com"));
        // The plain connection is not made silently: the log and the status bar say so.
        QCOMPARE(f.view->ConnectionSecurity(), QStringLiteral("Not encrypted"));
        bool said = false;
        for (const std::string& line : f.log.TakeAll())
            said = said || line.find("continuing without encryption") != std::string::npos;
        QVERIFY(said);
        // The refused initial directory gets no node: the tree stays on the site.
        QCOMPARE(f.tree->CurrentLabel(), QStringLiteral("Local"));
    }

    void AStoredPasswordIsKeptForAnonymous() {
        ScriptedFtpServer scripted;
        ScriptLogin(scripted);
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "anonymous", "me@home", "/x"));
        OpenSite(f, "Demo", "Local");
        QCOMPARE(QString::fromStdString(scripted.Received().at(2)), QStringLiteral("PASS me@home"));
    }

    // The session's data connections follow the site's own choice, else the
    // program default; quick connect always takes the default.
    void ConnectingSetsTheSessionsDataMode_data() {
        QTest::addColumn<QByteArray>("siteChoice");  // a catalogue line, or "quick" for quick connect
        QTest::addColumn<int>("passiveMode");
        QTest::addColumn<bool>("passive");
        QTest::newRow("default site, passive program") << QByteArray() << 1 << true;
        QTest::newRow("default site, active program") << QByteArray() << 0 << false;
        QTest::newRow("active site, passive program") << QByteArray("DATAMODE=ACTIVE\r\n") << 1 << false;
        QTest::newRow("passive site, active program") << QByteArray("DATAMODE=PASSIVE\r\n") << 0 << true;
        QTest::newRow("quick connect, passive program") << QByteArray("quick") << 1 << true;
        QTest::newRow("quick connect, active program") << QByteArray("quick") << 0 << false;
    }
    void ConnectingSetsTheSessionsDataMode() {
        QFETCH(QByteArray, siteChoice);
        QFETCH(int, passiveMode);
        QFETCH(bool, passive);
        ScriptedFtpServer scripted;
        ScriptLogin(scripted);
        QByteArray catalogue = LocalSiteCatalogue(scripted.HostText(), "anonymous", "", "/nowhere");
        const bool quick = siteChoice == "quick";
        if (!quick) catalogue.replace("FIREWALL?=FALSE\r\n", "FIREWALL?=FALSE\r\n" + siteChoice);
        ViewFixture f(catalogue);
        f.settings.passiveMode = passiveMode;
        const DataMode expected = passive ? DataMode::Passive : DataMode::Active;
        if (quick) {
            f.dialogs.editPrompt = [&scripted](SiteProfile& profile) {
                profile.host = scripted.HostText();
                profile.userId = "anonymous";
                profile.remoteDir = "/nowhere";
            };
            f.view->ConnectToSite(SiteProfile{}, RemoteView::ConnectionKind::Quick);  // prompted
            QVERIFY(f.Settle());
            QVERIFY(f.dialogs.lastPromptWasQuick);
        } else {
            OpenSite(f, "Demo", "Local");
        }
        QVERIFY(f.view->Connected());
        QCOMPARE(f.view->Client()->Settings().dataMode, expected);
    }

    void FailedLoginSaysSoAndGoesBackToTheGroup() {
        ScriptedFtpServer scripted;
        scripted.Expect("USER", "331 Send password.\r\n").Expect("PASS", "530 Login incorrect.\r\n");
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "tester", "wrong"));
        MessageLog messages;
        OpenSite(f, "Demo", "Local");
        QVERIFY(!f.view->Connected());
        QCOMPARE(messages.texts, QStringList{"Could not log in to " + QString::fromStdString(scripted.HostText()) +
                                             ": wrong user name or password (530 Login incorrect.)"});
        QCOMPARE(f.tree->CurrentKind(), ItemKind::Group);
        QCOMPARE(f.Labels(), QStringList{"Local"});
    }

    void AClosingReplyToCwdDisconnectsWithoutAsking() {
        ScriptedFtpServer scripted;
        ScriptLogin(scripted)
            .Expect("CWD", "421 Service closing control connection.\r\n");
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "tester", "secret", "/x"));
        MessageLog messages;
        OpenSite(f, "Demo", "Local");
        QVERIFY(f.view->Connected());
        f.view->ChangeDirectory("pub");
        QVERIFY(f.Settle());
        QVERIFY(!f.view->Connected());
        QCOMPARE(messages.texts, QStringList{"The connection was closed without me knowing about it, try logging on "
                                             "again."});
        QCOMPARE(f.Labels(), QStringList{"Demo"});
        QVERIFY(!f.tree->CurrentNode().isValid());
    }

    // A full folder goes with everything in it, after one question that
    // counts what goes.
    void DeletingAFileAndAFullDirectoryTogether() {
        server->Put("a.txt", "x");
        server->Put("full/inner.txt", "y");
        server->Put("z.txt", "z");
        auto f = Connected();
        MessageLog messages;
        f->Select({"a.txt", "full"});
        f->view->DeleteSelected();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts, (QStringList{"Delete the 2 selected items and everything in their folders: 1 file "
                                              "and 0 folders?"}));
        QCOMPARE(f->Labels(), (QStringList{"z.txt"}));
        QVERIFY(!QFile::exists(server->Root() + "/a.txt"));
        QVERIFY(!QFile::exists(server->Root() + "/full"));
    }

    void RenamesThatTheServerRefusesChangeNothing() {
        server->Put("keep.txt", "k");
        server->Put("dir/x", "x");
        auto f = Connected();
        MessageLog messages;
        f->Select({"keep.txt"});
        f->view->RenameSelected("no/such/place.txt");
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), (QStringList{"dir", "keep.txt"}));
        QVERIFY(messages.texts.isEmpty());

        f->view->RenameSelected("kept.txt");
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), (QStringList{"dir", "kept.txt"}));
        QVERIFY(QFile::exists(server->Root() + "/kept.txt"));

        // A directory renamed from the tree's side relists and renames its node.
        f->view->RenameDirectoryByName("dir", "folder");
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), (QStringList{"folder", "kept.txt"}));
        QVERIFY(QFile::exists(server->Root() + "/folder/x"));
        QStringList nodes;
        for (int i = 0; i < ChildCount(f->tree->CurrentNode()); ++i) nodes << Label(Child(f->tree->CurrentNode(), i));
        QCOMPARE(nodes, QStringList{"folder"});
        f->view->RenameDirectoryByName("absent", "x");
        QVERIFY(f->Settle());
        QVERIFY(!f->view->Busy());  // nothing asked of the server
    }

    void InPlaceEditsRenameAndEscapeDoesNot() {
        server->Put("draft.txt", "d");
        server->Put("folder/x", "x");
        auto f = Connected();
        f->LogLines();  // the log-in entered the root
        f->view->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->view.get()));
        const auto editLabel = [&](const QString& label, const QString& text, Qt::Key finish) {
            f->Select({label});
            f->List().EditLabel(f->Row(label));
            QLineEdit* editor = f->List().ActiveView()->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, finish);
        };
        editLabel("draft.txt", "final.txt", Qt::Key_Escape);
        QTest::qWait(50);
        QCOMPARE(f->Labels(), (QStringList{"draft.txt", "folder"}));
        editLabel("draft.txt", "final.txt", Qt::Key_Return);
        QTRY_COMPARE(f->Labels(), (QStringList{"final.txt", "folder"}));
        QVERIFY(QFile::exists(server->Root() + "/final.txt"));
        // A directory relists after its rename.
        editLabel("folder", "renamed", Qt::Key_Return);
        QTRY_COMPARE(f->Labels(), (QStringList{"final.txt", "renamed"}));
        QVERIFY(QFile::exists(server->Root() + "/renamed/x"));
        // The Enter that ends an edit opens nothing.
        QVERIFY(f->LogLines().filter(QRegularExpression("^Quillmoor: (RETR|CWD)")).isEmpty());
    }

    void PermissionsGoToEverySelectedItem() {
        for (const char* name : {"a.sh", "b.sh", "c.sh"}) server->Put(name, "#!/bin/sh\n");
        QFile::setPermissions(server->Root() + "/a.sh", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                           QFile::ReadGroup | QFile::ExeGroup);
        auto f = Connected();
        f->Select({"c.sh", "a.sh", "b.sh"});
        QCOMPARE(f->List().ItemText(0, RemoteListModel::kPermissions), QStringLiteral("-rwxr-x---"));
        PermissionsDialog dialog(f->List());
        QCOMPARE(dialog.Mode(), QStringLiteral("750"));
        dialog.Box(2)->click();  // owner execute off
        QCOMPARE(dialog.Mode(), QStringLiteral("650"));
        dialog.Box(2)->click();
        dialog.Box(8)->click();  // other execute on
        QCOMPARE(dialog.Mode(), QStringLiteral("751"));
        f->LogLines();
        dialog.accept();
        f->view->SetPermissions(dialog.Names(), dialog.Mode());
        QVERIFY(f->Settle());
        const QStringList chmods = f->LogLines().filter(QRegularExpression("^Quillmoor: SITE CHMOD"));
        QCOMPARE(chmods, (QStringList{"Quillmoor: SITE CHMOD 751 /a.sh", "Quillmoor: SITE CHMOD 751 /b.sh",
                                      "Quillmoor: SITE CHMOD 751 /c.sh"}));
        for (const char* name : {"a.sh", "b.sh", "c.sh"}) {
            const QFile::Permissions p = QFileInfo(server->Root() + u'/' + name).permissions();
            QVERIFY(p.testFlag(QFile::ExeOther) && p.testFlag(QFile::ExeGroup) && !p.testFlag(QFile::WriteGroup));
        }
        QTRY_VERIFY_WITH_TIMEOUT(server->Log().contains("SITE CHMOD " + server->Root() + "/c.sh 200"), 5000);
    }

    void PermissionsThatFailAreReportedPerItem() {
        ScriptedFtpServer scripted;
        ScriptLogin(scripted)
            .Expect("SITE", "200 SITE CHMOD successful.\r\n")
            .Expect("SITE", "550 Not permitted.\r\n")
            .Expect("SITE", "200 SITE CHMOD successful.\r\n");
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "tester", "secret", "/x"));
        OpenSite(f, "Demo", "Local");
        for (const char* name : {"one", "two", "three"}) f.view->AddEntry(Entry("-rwsr-xr-x", "1", name));
        f.Select({"one", "two", "three"});
        MessageLog messages;
        PermissionsDialog dialog(f.List());
        QCOMPARE(dialog.Mode(), QStringLiteral("655"));
        dialog.accept();
        f.view->SetPermissions(dialog.Names(), dialog.Mode());
        QVERIFY(f.Settle());
        QCOMPARE(messages.texts, QStringList{"Error setting permissions"});
        // After the login: FEAT, PWD, CWD and XCWD of the refused initial directory.
        const auto received = scripted.Received();
        QCOMPARE(QString::fromStdString(received.at(7)), QStringLiteral("SITE CHMOD 655 one"));
        QCOMPARE(QString::fromStdString(received.at(8)), QStringLiteral("SITE CHMOD 655 three"));
        QCOMPARE(QString::fromStdString(received.at(9)), QStringLiteral("SITE CHMOD 655 two"));
    }

    void ARefusedListingIsReportedNotShownEmpty() {
        ScriptedFtpServer scripted;
        ScriptLogin(scripted)
            .Expect("CWD", "250 Directory changed.\r\n")
            .Expect("TYPE", "200 ok\r\n")
            .Expect("PORT", "200 ok\r\n")
            .Expect("LIST", "550 Permission denied.\r\n");
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "tester", "secret", "/x"));
        OpenSite(f, "Demo", "Local");
        MessageLog messages;
        f.view->ChangeDirectory("locked");
        QVERIFY(f.Settle());
        QCOMPARE(messages.texts,
                 QStringList{"Could not get the directory listing; see the log for the reason."});
        QVERIFY(f.view->Connected());
    }

    void PermissionTextsOpenTheirBoxes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mode");
        QTest::newRow("directory") << "drwxr-x---" << "750";
        QTest::newRow("setuid") << "-rwsr-xr-x" << "655";
        QTest::newRow("common") << "-rw-r--r--" << "644";
        QTest::newRow("owner nothing") << "----r--r--" << "44";
        QTest::newRow("sticky") << "drwxrwxrwt" << "776";
        QTest::newRow("short") << "-rw" << "600";
        QTest::newRow("empty") << "" << "0";
        QTest::newRow("capitals") << "-RWXRWXRWX" << "0";
    }
    void PermissionTextsOpenTheirBoxes() {
        QFETCH(QString, text);
        QFETCH(QString, mode);
        QCOMPARE(PermissionsDialog::ModeText(PermissionsDialog::FlagsFromText(text)), mode);
    }

    void DownloadAndOpenAsksBeforeOverwriting() {
        server->Put("notes.txt", "fresh");
        auto f = Connected();
        const QString local = QString::fromStdString(f->settings.defaultDownloadDirectory) + "notes.txt";
        QFile old(local);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        MessageLog messages;
        messages.answer = MessageAnswer::No;
        f->Select({"notes.txt"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts, QStringList{"File " + local + " already exists.\n Do you wish to overwrite it?"});
        QFile check(local);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray("old"));
        check.close();
        messages.answer = MessageAnswer::Yes;
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray("fresh"));
    }

    // A partial file beside the target makes the question offer Resume, also
    // when the target itself is not there; Resume continues it byte for byte.
    void DownloadAndOpenOffersResumeForAPartialFile() {
        QByteArray whole(300000, '\0');
        for (int i = 0; i < whole.size(); ++i) whole[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
        server->Put("photo.bin", whole);
        auto f = Connected();
        f->settings.viewOnDoubleClick = 0;
        const QString local = QString::fromStdString(f->settings.defaultDownloadDirectory) + "photo.bin";
        const auto writeFile = [](const QString& path, const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        const auto readFile = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
        };
        writeFile(local, "old");
        writeFile(local + ".part", whole.left(1000));
        MessageLog messages;
        messages.answer = MessageAnswer::Cancel;
        f->Select({"photo.bin"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(messages.buttons, QList<MessageButtons>{MessageButtons::ResumeOverwriteCancel});
        QVERIFY(
            messages.texts.value(0).startsWith("File " + local + " already exists, and a partial download"));
        QCOMPARE(readFile(local), QByteArray("old"));
        QCOMPARE(readFile(local + ".part"), whole.left(1000));

        QFile::remove(local);
        messages.answer = MessageAnswer::Resume;
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(messages.buttons.value(1), MessageButtons::ResumeRestartCancel);
        QVERIFY(messages.texts.value(1).contains("(1000 bytes)"));
        QVERIFY(readFile(local) == whole);
        QVERIFY(!QFile::exists(local + ".part"));
    }

    void CancelledDownloadOpensNothingAndBrowsingGoesOn() {
        server->Put("data.qm-unassociated", "payload");
        auto f = Connected();
        f->settings.viewOnDoubleClick = 1;
        MessageLog messages;
        const QString notOpened = QStringLiteral("I couldn't find the application to open that file.");
        f->Select({"data.qm-unassociated"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts, QStringList{notOpened});  // a completed download is opened
        messages.texts.clear();
        // Cancelled in its progress dialog, the download opens nothing, and
        // the list's next request is served as before.
        {
            ProgressRecorder dialogs;
            dialogs.cancelWhen = [](const QString&) { return true; };
            f->view->OpenItem();
            QVERIFY(f->Settle());
            QCOMPARE(dialogs.waits.size(), 1);
        }
        QVERIFY(!messages.texts.contains(notOpened));
        QVERIFY(f->view->Connected());
        f->view->LoadListing();
        QVERIFY(f->Settle());
        QCOMPARE(f->Labels(), QStringList{"data.qm-unassociated"});

    }

    void ListedNamesThatLeaveTheDownloadDirectoryAreRefused() {
        auto f = Connected();
        MessageLog messages;
        f->view->AddEntry(Entry("-rw-r--r--", "1", "../escape.txt"));
        f->Select({"../escape.txt"});
        f->view->OpenItem();
        QVERIFY(f->Settle());
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(!QFile::exists(f->dir.path() + "/escape.txt"));
        QVERIFY(f->LogLines().filter("RETR").isEmpty());
    }

    void FilePropertiesRenameOnlyWhenTheNameChanged() {
        ScriptedFtpServer scripted;
        ScriptLogin(scripted).Expect("RNFR", "350 Ready.\r\n").Expect("RNTO", "250 Renamed.\r\n");
        ViewFixture f(LocalSiteCatalogue(scripted.HostText(), "tester", "secret", "/x"));
        OpenSite(f, "Demo", "Local");
        f.view->AddEntry(Entry("-rw-r--r--", "1999", "readme"));
        f.view->AddEntry(Entry("-rw-r--r--", "5", "other"));
        f.Select({"readme"});
        {
            FilePropertiesDialog unchanged(f.List(), "/");
            QCOMPARE(unchanged.FieldText("Size:"), QStringLiteral("2K"));
            unchanged.accept();
            QVERIFY(!unchanged.Renamed());
        }
        FilePropertiesDialog properties(f.List(), "/");
        properties.NameEdit()->setText("README");
        properties.accept();
        QVERIFY(properties.Renamed());
        QCOMPARE(properties.OldName(), QStringLiteral("readme"));
        QCOMPARE(properties.Name(), QStringLiteral("README"));

        MessageLog messages;
        f.Select({"readme", "other"});
        f.view->ShowProperties();
        QVERIFY(f.Settle());
        QCOMPARE(messages.texts, QStringList{"Properties can only be viewed for one item at a time."});
    }

    void DisconnectAsksAndShowsTheGroups() {
        auto f = Connected();
        MessageLog messages;
        messages.answer = MessageAnswer::No;
        f->view->Disconnect(true);
        QVERIFY(f->Settle());
        QVERIFY(f->view->Connected());
        QVERIFY(f->view->Place().connected);
        messages.answer = MessageAnswer::Yes;
        f->view->Disconnect(true);
        QVERIFY(f->Settle());
        QVERIFY(!f->view->Connected());
        QVERIFY(!f->view->Place().connected);
        QCOMPARE(f->Labels(), QStringList{"Demo"});
        QCOMPARE(messages.texts.value(0), "Are you sure you want to disconnect from " +
                                              QString::fromStdString(server->HostText()));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(ViewServerTest)
#include "view_server_test.moc"
