// The main frame's catalogue, list and session commands with their enable
// rules, on a real list view and site tree.
#include "sites/catalogue_test_nodes.h"

#include "app/browser_commands.h"
#include "app/frame_actions.h"
#include "browser_test_main.h"
#include "server_fixture.h"

using testsupport::ScriptedFtpServer;

namespace {

// A list view and tree with the frame's commands installed on the frame's actions.
struct CommandsFixture : ViewFixture {
    QWidget frame;
    BrowserCommands* commands;
    QString typed;  // what the one-line questions answer
    bool answerOk = true;

    explicit CommandsFixture(const QByteArray& catalogue = {}) : ViewFixture(catalogue) {
        commands = new BrowserCommands(context, *tree, *view, dialogs, &frame);
        CreateFrameActions(&frame);
        commands->Install(frame);
        const auto ask = [this](QWidget*, QString& text) {
            if (answerOk) text = typed;
            return answerOk;
        };
        commands->askRename = ask;
        commands->askGroupName = ask;
        commands->askDirectoryName = ask;
    }
    QAction* Action(const QString& name) { return FindFrameAction(&frame, name); }
    bool Enabled(const QString& name) { return Action(name)->isEnabled(); }
    // Gives a pane the keyboard focus as a click would: its window active first.
    bool GiveFocus(QWidget* pane) {
        QWidget* window = pane->window();
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window)) return false;
        pane->setFocus(Qt::MouseFocusReason);
        return pane->hasFocus();
    }
    QStringList Groups() {
        QStringList groups;
        for (int i = 0; i < tree->model()->rowCount(); ++i) groups << Label(tree->model()->index(i, 0));
        return groups;
    }
};

}  // namespace

class BrowserCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void NewGroupNeedsANameAndAllowsTwins() {
        CommandsFixture f(DemoCatalogue());
        MessageLog messages;
        f.answerOk = false;
        f.commands->NewGroup();
        QVERIFY(messages.texts.isEmpty());
        f.answerOk = true;
        f.typed = "";
        f.commands->NewGroup();
        QCOMPARE(messages.texts, QStringList{"Group's must have a name"});
        QCOMPARE(f.Groups(), (QStringList{"Demo", "Work"}));
        f.typed = "Demo";
        f.commands->NewGroup();
        QCOMPARE(f.Groups(), (QStringList{"Demo", "Work", "Demo"}));
        QCOMPARE(f.Labels(), (QStringList{"Demo", "Demo", "Work"}));  // the list shows it at once
    }

    void NewSiteWithNothingSelectedGoesUnderUserDefined() {
        CommandsFixture f(DemoCatalogue());
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::Saved;
        f.dialogs.editProperties = [](SiteProfile& profile) {
            QCOMPARE(profile.icon, std::string("Wexal.exe ,32"));
            profile.name = "Fresh";
            profile.host = "127.0.0.1:1";
        };
        QVERIFY(f.Enabled("newSite"));
        f.commands->NewSite();
        QVERIFY(f.Settle());
        QCOMPARE(f.Groups(), (QStringList{"Demo", "Work", "User Defined"}));
        const QPersistentModelIndex group = f.tree->model()->index(2, 0);
        QCOMPARE(ChildCount(group), 1);
        QCOMPARE(Label(Child(group, 0)), QStringLiteral("Fresh"));
        QVERIFY(!f.view->Connected());

        // Cancel adds nothing.
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::Cancelled;
        f.commands->NewSite();
        QVERIFY(f.Settle());
        QCOMPARE(ChildCount(group), 1);
    }

    void NewSiteInTheOpenGroupShowsItThere() {
        CommandsFixture f(DemoCatalogue());
        f.Select({"Work"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::Saved;
        f.dialogs.editProperties = [](SiteProfile& profile) { profile.name = "Another"; };
        f.commands->NewSite();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), (QStringList{"Another", "Other"}));
    }

    // With a site selected in the tree, Save/Exit only saves; Save/Connect logs
    // in once, to the new site, whose folders then grow under it.
    void NewSiteSavesOrConnectsToTheNewSiteOnce() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("sub/x.txt", "x");
        CommandsFixture f(LocalSiteCatalogue(server.HostText()));
        MessageLog messages;
        const QPersistentModelIndex local = Child(f.tree->model()->index(0, 0), 0);
        f.tree->setCurrentIndex(local);
        f.tree->selectionModel()->select(local, QItemSelectionModel::Select);
        QString name = QStringLiteral("Fresh");
        f.dialogs.editProperties = [&](SiteProfile& profile) {
            profile.name = name.toStdString();
            profile.host = server.HostText();
            profile.userId = "anonymous";
            profile.password = "me@example.org";
        };
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::Saved;
        f.commands->NewSite();
        QVERIFY(f.Settle());
        QVERIFY(!f.view->Connected());
        QVERIFY(f.LogLines().filter(QStringLiteral("USER")).isEmpty());
        QCOMPARE(f.Labels(), (QStringList{"Fresh", "Local"}));

        name = QStringLiteral("Second");
        f.tree->setCurrentIndex(local);
        f.tree->selectionModel()->select(local, QItemSelectionModel::Select);
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::SavedAndConnect;
        f.commands->NewSite();
        QVERIFY(f.Settle());
        QVERIFY(f.view->Connected());
        QCOMPARE(f.LogLines().filter(QStringLiteral("USER")).size(), 1);
        const QPersistentModelIndex second = Child(f.tree->model()->index(0, 0), 2);
        QCOMPARE(Label(second), QStringLiteral("Second"));
        QCOMPARE(f.tree->CurrentNode(), second);
        QCOMPARE(ChildCount(local), 0);

        f.Select({"sub"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), QStringList{"x.txt"});
        f.Action("upOneLevel")->trigger();
        QVERIFY(f.Settle());
        QVERIFY(f.view->Connected());
        QCOMPARE(f.tree->CurrentNode(), second);
        QCOMPARE(f.Labels(), QStringList{"sub"});
        QVERIFY(messages.texts.isEmpty());
    }

    void EnableRulesFollowTheConnection() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("a.txt", "a");
        CommandsFixture f(LocalSiteCatalogue(server.HostText()));
        for (const QString id : {"refresh", "upOneLevel", "disconnect", "createDirectory", "permissions",
                       "properties", "delete"})
            QVERIFY2(!f.Enabled(id), qPrintable(id));
        for (const QString id : {"quickConnect", "newSite", "newGroup"}) QVERIFY(f.Enabled(id));
        OpenSite(f, "Demo", "Local");
        QVERIFY(f.view->Connected());
        for (const QString id : {"refresh", "upOneLevel", "disconnect", "createDirectory", "newGroup"})
            QVERIFY(f.Enabled(id));
        for (const QString id : {"quickConnect", "newSite", "permissions", "delete"}) QVERIFY(!f.Enabled(id));
        f.Select({"a.txt"});
        QVERIFY(f.GiveFocus(f.view->List().ActiveView()));
        for (const QString id : {"permissions", "properties", "delete", "rename"})
            QVERIFY(f.Enabled(id));

        // Create Directory: an empty name sends nothing; a name makes it and relists.
        MessageLog messages;
        f.LogLines();
        f.typed = "";
        f.commands->CreateDirectory();
        QVERIFY(f.Settle());
        QCOMPARE(messages.texts, QStringList{"New directories must have a name, please be so kind as to enter a "
                                             "name next time."});
        QVERIFY(f.LogLines().filter("MKD").isEmpty());
        f.typed = "made here";
        f.commands->CreateDirectory();
        QVERIFY(f.Settle());
        QVERIFY(QFileInfo(server.Root() + "/made here").isDir());
        QCOMPARE(f.Labels(), (QStringList{"a.txt", "made here"}));

        // Refresh sees what changed on the server.
        server.Put("b.txt", "b");
        f.Action("refresh")->trigger();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), (QStringList{"a.txt", "b.txt", "made here"}));
    }

    // Every action's enabled state follows what it depends on as it changes:
    // the connection, the list's and the tree's selections, the focused pane.
    // No menu is opened and nothing asks for the states to be refreshed.
    void ActionStatesFollowTheirSignals() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("a.txt", "a");
        server.Put("b.txt", "b");
        CommandsFixture f(LocalSiteCatalogue(server.HostText()));
        MessageLog messages;
        const QStringList watched{"refresh", "upOneLevel", "disconnect", "createDirectory", "upload",
                                  "permissions", "properties", "downloadTo", "delete", "rename",
                                  "quickConnect", "newSite", "listDisconnect", "listDelete", "listRename",
                                  "listDownloadTo", "listUpload", "listRefresh", "listAddProfile"};
        const QStringList whenConnected{"refresh", "upOneLevel", "disconnect", "createDirectory", "upload",
                                        "listDisconnect", "listUpload", "listRefresh"};
        const QStringList onSelection{"permissions", "properties", "downloadTo", "delete", "listDelete",
                                      "listDownloadTo"};
        const QStringList renames{"rename", "listRename"};
        const QStringList whenDisconnected{"quickConnect", "newSite", "listAddProfile"};
        const struct {
            const char* step;
            std::function<bool()> run;
            QStringList enabled;
        } steps[] = {
            {"catalogue shown", [] { return true; }, whenDisconnected},
            {"connected",
             [&] {
                 OpenSite(f, "Demo", "Local");
                 f.List().ClearSelection();
                 return f.view->Connected();
             },
             // The tree follows the login and selects the site: Rename may take it.
             whenConnected + QStringList{"rename"}},
            {"one file selected in the focused list",
             [&] {
                 if (!f.GiveFocus(f.List().ActiveView())) return false;
                 f.Select({"a.txt"});
                 return true;
             },
             whenConnected + onSelection + renames},
            {"two files selected", [&] { f.Select({"a.txt", "b.txt"}); return true; },
             whenConnected + onSelection},
            // The tree takes Delete and Rename; nothing is selected in it.
            {"tree focused",
             [&] {
                 f.tree->clearSelection();
                 return f.GiveFocus(f.tree.get());
             },
             [&] {
                 QStringList names = whenConnected + onSelection + QStringList{"rename"};
                 names.removeOne("delete");
                 return names;
             }()},
            {"list focused again", [&] { return f.GiveFocus(f.List().ActiveView()); },
             whenConnected + onSelection},
            {"disconnected",
             [&] {
                 f.Action("disconnect")->trigger();
                 return f.Settle() && !f.view->Connected();
             },
             whenDisconnected},
        };
        for (const auto& step : steps) {
            QVERIFY2(step.run(), step.step);
            QStringList enabled;
            for (const QString& name : watched) {
                QAction* action = f.Action(name);
                if (!action) action = f.view->findChild<QAction*>(name);
                QVERIFY2(action, qPrintable(name));
                if (action->isEnabled()) enabled << name;
            }
            QStringList expected = step.enabled;
            std::sort(expected.begin(), expected.end());
            enabled.sort();
            QVERIFY2(enabled == expected, qPrintable(QStringLiteral("%1: %2").arg(step.step, enabled.join(' '))));
        }
    }

    void RenameFromTheTreeRelabelsTheList() {
        CommandsFixture f(DemoCatalogue());
        f.Select({"Demo"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        const QPersistentModelIndex alpha = Child(f.tree->model()->index(0, 0), 0);
        QVERIFY(f.GiveFocus(f.tree.get()));
        f.tree->setCurrentIndex(alpha);
        f.tree->selectionModel()->select(alpha, QItemSelectionModel::Select);
        QVERIFY(f.Enabled("rename"));
        f.typed = "Zulu";
        f.commands->Rename();
        QVERIFY(f.Settle());
        QCOMPARE(Label(alpha), QStringLiteral("Zulu"));
        QCOMPARE(f.Labels(), (QStringList{"Broken", "Gamma", "Zulu"}));

        // With the list focused, Rename needs exactly one selected item.
        QVERIFY(f.GiveFocus(f.view->List().ActiveView()));
        f.Select({"Broken", "Gamma"});
        QVERIFY(!f.Enabled("rename"));
        f.Select({"Broken"});
        QVERIFY(f.Enabled("rename"));
        f.typed = "Beta";
        f.commands->Rename();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), (QStringList{"Beta", "Gamma", "Zulu"}));
    }

    void QuickConnectPromptsAndKeepsTheTreeOutOfIt() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("pub/inner.txt", "i");
        CommandsFixture f(DemoCatalogue());
        f.dialogs.editPrompt = [&](SiteProfile& profile) {
            profile.host = server.HostText();
            profile.userId = "anonymous";
        };
        f.commands->QuickConnect();
        QVERIFY(f.Settle());
        QCOMPARE(f.dialogs.prompts, 1);
        QVERIFY(f.dialogs.lastPromptWasQuick);
        QVERIFY(f.view->Connected());
        QCOMPARE(f.Labels(), QStringList{"pub"});
        QCOMPARE(ChildCount(Child(f.tree->model()->index(0, 0), 0)), 0);  // no directory nodes anywhere
        f.Select({"pub"});
        f.view->OpenItem();
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), QStringList{"inner.txt"});
        f.Action("upOneLevel")->trigger();  // CWD .., no question on a quick connection
        QVERIFY(f.Settle());
        QCOMPARE(f.Labels(), QStringList{"pub"});
        QVERIFY(f.view->Connected());
        MessageLog messages;
        f.Action("disconnect")->trigger();
        QVERIFY(f.Settle());
        QVERIFY(!f.view->Connected());
        QVERIFY(!f.view->Place().quick);
        QCOMPARE(f.Labels(), (QStringList{"Demo", "Work"}));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(BrowserCommandsTest)
#include "browser_commands_test.moc"
