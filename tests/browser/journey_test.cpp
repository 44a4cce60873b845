// One journey a user takes, through the whole program against a real local
// server: start, open the demo group, connect, enter a folder, download and
// open a file, upload a file by drop, rename, chmod, delete, down two folders
// and back up by the location bar, a typed path by Ctrl+L, up two levels, the
// filter, Upload..., a full folder deleted, go up, disconnect, exit. Checked
// against what the server logged and what is on disk. Uploads run on the
// transfer queue's connection; the list shows them once they have arrived.
#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

#include "browser/location_bar.h"

#include "app/application.h"
#include "app/browser_commands.h"
#include "app/main_window.h"
#include "browser/list_filter.h"
#include "browser/permissions_dialog.h"
#include "browser_test_main.h"
#include "platform/desktop/file_dialog_seam.h"
#include "sites/catalogue_test_nodes.h"
#include "program_driver.h"
#include "server_fixture.h"
#include "test_files.h"

class JourneyTest : public QObject {
    Q_OBJECT

private:
    RemoteView* view = nullptr;
    ProgramDriver user;

    QStringList Labels() const { return user.Labels(); }
    void DoubleClick(const QString& label) { user.DoubleClick(label); }
    void Select(const QString& label) { user.Select(label); }
    bool Settle() { return user.Settle(); }
    static QByteArray ReadAll(const QString& path) { return ProgramDriver::ReadAll(path); }

private slots:
    void TheWholeJourney() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("pub/notes.txt", "remote notes\n");
        server.Put("pub/old name.txt", "rename me\n");
        server.Put("pub/doomed.bin", "bye\n");
        server.Put("welcome.txt", "hi\n");
        server.Put("pub/deep/er/bottom.txt", "b\n");

        // The catalogue and a default application for text files that records
        // the file it was asked to open.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QTemporaryDir scratch;
        WriteTestFile(config + "/Corvane/Wexal.INI", LocalSiteCatalogue(server.HostText()));
        const QString opened = scratch.filePath("opened.txt");
        WriteTestFile(scratch.filePath("viewer.sh"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + opened.toUtf8() + ".tmp\"\nmv \"" +
                                                   opened.toUtf8() + ".tmp\" \"" + opened.toUtf8() + "\"\n",
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        WriteTestFile(data + "/applications/journey-viewer.desktop",
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + scratch.filePath("viewer.sh").toUtf8() +
                      " %f\n");
        WriteTestFile(config + "/mimeapps.list", "[Default Applications]\ntext/plain=journey-viewer.desktop\n");

        MessageLog messages;
        Application app;
        QVERIFY(app.Start());
        app.Settings().defaultDownloadDirectory = (scratch.path() + "/").toStdString();
        app.Settings().viewOnDoubleClick = 1;
        app.Settings().email = "journey@example.com";
        MainWindow* frame = app.Window();
        view = qobject_cast<RemoteView*>(frame->ListViewPane());
        QVERIFY(view);
        user.SetView(view);
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(Labels(), QStringList{"Demo"});

        // Open the demo group, connect to its site, enter a folder.
        DoubleClick("Demo");
        QCOMPARE(Labels(), QStringList{"Local"});
        DoubleClick("Local");
        QVERIFY(view->Connected());
        QCOMPARE(Labels(), (QStringList{"pub", "welcome.txt"}));
        DoubleClick("pub");
        QCOMPARE(Labels(), (QStringList{"deep", "doomed.bin", "notes.txt", "old name.txt"}));

        // Download a file and open it with the desktop's application.
        DoubleClick("notes.txt");
        QCOMPARE(ReadAll(scratch.filePath("notes.txt")), QByteArray("remote notes\n"));
        QTRY_COMPARE_WITH_TIMEOUT(ReadAll(opened), scratch.filePath("notes.txt").toUtf8() + "\n", 10000);

        // Upload a file by dropping it onto the window: it goes through the
        // transfer queue, and the list shows it once it is there.
        const QString local = scratch.filePath("from desktop.txt");
        WriteTestFile(local, "uploaded\n");
        QVERIFY(ProgramDriver::DropFile(frame, local));
        QTRY_VERIFY_WITH_TIMEOUT(Labels().contains("from desktop.txt"), 20000);
        QCOMPARE(ReadAll(server.Root() + "/pub/from desktop.txt"), QByteArray("uploaded\n"));

        auto* commands = frame->findChild<BrowserCommands*>();
        QVERIFY(commands);
        // Rename through the frame's Rename command (F2 on the list).
        Select("old name.txt");
        commands->askRename = [](QWidget*, QString& name) {
            if (name != "old name.txt") return false;
            name = "new name.txt";
            return true;
        };
        QTest::keyClick(view->List().ActiveView(), Qt::Key_F2);
        QVERIFY(Settle());
        QVERIFY(Labels().contains("new name.txt"));
        QVERIFY(QFile::exists(server.Root() + "/pub/new name.txt"));

        // Permissions: group write on for the uploaded file.
        Select("from desktop.txt");
        commands->runPermissions = [this](QWidget* parent) {
            PermissionsDialog dialog(view->List(), parent);
            dialog.Box(4)->click();  // group write
            view->SetPermissions(dialog.Names(), dialog.Mode());
        };
        frame->Action(u"permissions")->trigger();
        QVERIFY(Settle());
        QVERIFY(QFileInfo(server.Root() + "/pub/from desktop.txt").permissions().testFlag(QFile::WriteGroup));

        // Delete with the Delete key and its confirmation.
        Select("doomed.bin");
        QTest::keyClick(view->List().ActiveView(), Qt::Key_Delete);
        QVERIFY(Settle());
        QVERIFY(!QFile::exists(server.Root() + "/pub/doomed.bin"));
        QVERIFY(!Labels().contains("doomed.bin"));

        // Down two folders; the tree follows; the breadcrumb goes up both at once.
        DoubleClick("deep");
        DoubleClick("er");
        QCOMPARE(Labels(), QStringList{"bottom.txt"});
        auto* tree = qobject_cast<QTreeView*>(frame->SiteTreePane());
        QVERIFY(tree && tree->currentIndex().isValid());
        QCOMPARE(Label(tree->currentIndex()), QStringLiteral("er"));
        QToolButton* pub = nullptr;
        for (QToolButton* part : view->Bar().findChildren<QToolButton*>())
            if (!part->isHidden() && part->accessibleName() == "Go to /pub") pub = part;
        QVERIFY(pub);
        QTest::mouseClick(pub, Qt::LeftButton);
        QVERIFY(Settle());
        QCOMPARE(Labels(), (QStringList{"deep", "from desktop.txt", "new name.txt", "notes.txt"}));
        QCOMPARE(Label(tree->currentIndex()), QStringLiteral("pub"));

        // Ctrl+L and a typed path.
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(view->List().ActiveView(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(view->Bar().Editing());
        QTest::keyClicks(view->Bar().Editor(), "/pub/deep/er");
        QTest::keyClick(view->Bar().Editor(), Qt::Key_Return);
        QVERIFY(Settle());
        QCOMPARE(Labels(), QStringList{"bottom.txt"});
        QCOMPARE(app.Window()->ListPane()->Place().path, QStringLiteral("/pub/deep/er"));

        // Back up two levels with Backspace.
        for (int level = 0; level < 2; ++level) QTest::keyClick(view->List().ActiveView(), Qt::Key_Backspace);
        QVERIFY(Settle());
        QCOMPARE(app.Window()->ListPane()->Place().path, QStringLiteral("/pub"));

        // Ctrl+F narrows the list as the user types; Escape shows it all again.
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keySequence(view->List().ActiveView(), QKeySequence("Ctrl+F"));
        QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        QTest::keyClicks(QApplication::focusWidget(), "NAME");
        QVERIFY(view->Filter().Shows(view->List().FindLabel("new name.txt")));
        QVERIFY(!view->Filter().Shows(view->List().FindLabel("notes.txt")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(view->Filter().Shows(view->List().FindLabel("notes.txt")));

        // Upload... from the Edit menu, through the file dialog.
        const QString chosen = scratch.filePath("chosen.bin");
        WriteTestFile(chosen, QByteArray("\0\r\n\xff", 4));
        SetFileDialogResponder([&](const FileDialogRequest&) { return QStringList{chosen}; });
        frame->Action(u"upload")->trigger();
        QVERIFY(Settle());
        SetFileDialogResponder({});
        QTRY_VERIFY_WITH_TIMEOUT(Labels().contains("chosen.bin"), 20000);
        QCOMPARE(ReadAll(server.Root() + "/pub/chosen.bin"), QByteArray("\0\r\n\xff", 4));

        // The full folder goes with everything in it after one question.
        Select("deep");
        QTest::keyClick(view->List().ActiveView(), Qt::Key_Delete);
        QVERIFY(Settle());
        QVERIFY(!QFileInfo::exists(server.Root() + "/pub/deep"));
        QCOMPARE(Labels(), (QStringList{"chosen.bin", "from desktop.txt", "new name.txt", "notes.txt"}));

        // Up to the top, then Disconnect from the toolbar's command.
        QTest::keyClick(view->List().ActiveView(), Qt::Key_Backspace);
        QVERIFY(Settle());
        QCOMPARE(Labels(), (QStringList{"pub", "welcome.txt"}));
        frame->Action(u"disconnect")->trigger();
        QVERIFY(Settle());
        QVERIFY(!view->Connected());
        QCOMPARE(Labels(), QStringList{"Demo"});

        app.requestExit();
        app.Shutdown();

        const QStringList expected{"Are you sure you want to delete the selected item(s), they will be gone forever?",
                                   "Delete folder \"deep\" and everything in it: 1 file and 1 folder?",
                                   "Are you sure you want to disconnect from " + QString::fromStdString(server.HostText())};
        QCOMPARE(messages.texts, expected);
        const QString log = server.Log();
        for (const QString& line : {QString("RETR " + server.Root() + "/pub/notes.txt completed=1"),
                                    QString("STOR " + server.Root() + "/pub/from desktop.txt completed=1"),
                                    QString("RNFR " + server.Root() + "/pub/old name.txt"),
                                    QString("SITE CHMOD " + server.Root() + "/pub/from desktop.txt 200"),
                                    QString("DELE " + server.Root() + "/pub/doomed.bin 250"),
                                    QString("STOR " + server.Root() + "/pub/chosen.bin completed=1"),
                                    QString("RMD " + server.Root() + "/pub/deep 250")}) {
            QVERIFY2(log.contains(line), qPrintable(line + "\n---\n" + log));
        }
        // The catalogue was written back with the site.
        QVERIFY(ReadAll(config + "/Corvane/Wexal.INI").contains("[Local]"));
    }

    // Connect by double click, narrow the list with Ctrl+F, upload with the
    // Edit menu's Upload..., delete a full folder with Del, disconnect with
    // Ctrl+Shift+D.
    void TheFileCommandsJourney() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("archive/old/x.bin", "x");
        server.Put("archive/y.txt", "y");
        server.Put("pub/keep.txt", "k");
        WriteTestFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Corvane/Wexal.INI",
                      LocalSiteCatalogue(server.HostText()));
        QTemporaryDir scratch;
        WriteTestFile(scratch.filePath("sent.bin"), QByteArray("\0\r\n\xff", 4));
        MessageLog messages;
        SetFileDialogResponder([&](const FileDialogRequest&) { return QStringList{scratch.filePath("sent.bin")}; });
        Application app;
        QVERIFY(app.Start());
        app.Settings().email = "journey@example.com";
        MainWindow* frame = app.Window();
        user.Attach(frame);
        view = user.View();

        DoubleClick("Demo");
        DoubleClick("Local");
        QCOMPARE(Labels(), (QStringList{"archive", "pub"}));

        Select("pub");
        QTest::keySequence(view->List().ActiveView(), QKeySequence("Ctrl+F"));
        QTest::keyClicks(QApplication::focusWidget(), "ARC");
        QVERIFY(view->Filter().Shows(view->List().FindLabel("archive")));
        QVERIFY(!view->Filter().Shows(view->List().FindLabel("pub")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(view->Filter().Shows(view->List().FindLabel("pub")));

        frame->Action(u"upload")->trigger();
        QVERIFY(Settle());
        QTRY_COMPARE_WITH_TIMEOUT(Labels(), (QStringList{"archive", "pub", "sent.bin"}), 20000);
        QCOMPARE(ReadAll(server.Root() + "/sent.bin"), QByteArray("\0\r\n\xff", 4));

        Select("archive");
        QTest::keyClick(view->List().ActiveView(), Qt::Key_Delete);
        QVERIFY(Settle());
        QVERIFY(!QFileInfo::exists(server.Root() + "/archive"));
        QCOMPARE(Labels(), (QStringList{"pub", "sent.bin"}));

        Select("pub");
        QTest::keySequence(view->List().ActiveView(), QKeySequence("Ctrl+Shift+D"));
        QVERIFY(!view->Connected());
        QCOMPARE(Labels(), QStringList{"Demo"});
        SetFileDialogResponder({});
        app.requestExit();
        app.Shutdown();

        QCOMPARE(messages.texts,
                 (QStringList{"Delete folder \"archive\" and everything in it: 2 files and 1 folder?",
                              "Are you sure you want to disconnect from " + QString::fromStdString(server.HostText())}));
    }

private:
};

QUILLMOOR_BROWSER_TEST_MAIN(JourneyTest)
#include "journey_test.moc"
