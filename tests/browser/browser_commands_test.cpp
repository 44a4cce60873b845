// The main frame's catalogue, list and session commands with their enable
// rules, on a real list view and site tree.
#include "sites/catalogue_test_nodes.h"

#include "app/browser_commands.h"
#include "app/command_router.h"
#include "browser_test_main.h"
#include "platform/desktop/command_ids.h"
#include "server_fixture.h"

using testsupport::ScriptedFtpServer;

namespace {

// A list view and tree with the frame's commands installed on a router.
struct CommandsFixture : ViewFixture {
    QWidget frame;
    CommandRouter router;
    BrowserCommands* commands;
    QString typed;  // what the one-line questions answer
    bool answerOk = true;

    explicit CommandsFixture(const QByteArray& catalogue = {}) : ViewFixture(catalogue) {
        commands = new BrowserCommands(context, *tree, *view, dialogs, &frame);
        commands->Install(router);
        const auto ask = [this](QWidget*, QString& text) {
            if (answerOk) text = typed;
            return answerOk;
        };
        commands->askRename = ask;
        commands->askGroupName = ask;
        commands->askDirectoryName = ask;
    }
    bool Enabled(int id) { return router.StateOf(id).enabled; }
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
        QVERIFY(f.Enabled(kCmdNewSite));
        f.commands->NewSite();
        QCOMPARE(f.Groups(), (QStringList{"Demo", "Work", "User Defined"}));
        const QPersistentModelIndex group = f.tree->model()->index(2, 0);
        QCOMPARE(ChildCount(group), 1);
        QCOMPARE(Label(Child(group, 0)), QStringLiteral("Fresh"));
        QVERIFY(!f.session.IsConnected());

        // Cancel adds nothing.
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::Cancelled;
        f.commands->NewSite();
        QCOMPARE(ChildCount(group), 1);
    }

    void NewSiteInTheOpenGroupShowsItThere() {
        CommandsFixture f(DemoCatalogue());
        f.Select({"Work"});
        f.view->OpenItem();
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::Saved;
        f.dialogs.editProperties = [](SiteProfile& profile) { profile.name = "Another"; };
        f.commands->NewSite();
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
        QVERIFY(!f.session.IsConnected());
        QVERIFY(f.LogLines().filter(QStringLiteral("USER")).isEmpty());
        QCOMPARE(f.Labels(), (QStringList{"Fresh", "Local"}));

        name = QStringLiteral("Second");
        f.tree->setCurrentIndex(local);
        f.tree->selectionModel()->select(local, QItemSelectionModel::Select);
        f.dialogs.propertiesAnswer = SiteDialogs::PropertiesResult::SavedAndConnect;
        f.commands->NewSite();
        QVERIFY(f.session.IsConnected());
        QCOMPARE(f.LogLines().filter(QStringLiteral("USER")).size(), 1);
        const QPersistentModelIndex second = Child(f.tree->model()->index(0, 0), 2);
        QCOMPARE(Label(second), QStringLiteral("Second"));
        QCOMPARE(f.tree->CurrentNode(), second);
        QCOMPARE(ChildCount(local), 0);

        f.Select({"sub"});
        f.view->OpenItem();
        QCOMPARE(f.Labels(), QStringList{"x.txt"});
        f.router.Route(kCmdUpOneLevel);
        QVERIFY(f.session.IsConnected());
        QCOMPARE(f.tree->CurrentNode(), second);
        QCOMPARE(f.Labels(), QStringList{"sub"});
        QVERIFY(messages.texts.isEmpty());
    }

    void EnableRulesFollowTheConnection() {
        LoggedPyftpd server;
        if (!server.Started()) QSKIP(server.Problem().c_str());
        server.Put("a.txt", "a");
        CommandsFixture f(LocalSiteCatalogue(server.HostText()));
        for (int id : {kCmdRefresh, kCmdUpOneLevel, kCmdDisconnect, kCmdCreateDirectory, kCmdPermissions,
                       kCmdProperties, kCmdDelete})
            QVERIFY2(!f.Enabled(id), qPrintable(QString::number(id)));
        for (int id : {kCmdQuickConnect, kCmdNewSite, kCmdNewGroup}) QVERIFY(f.Enabled(id));
        OpenSite(f, "Demo", "Local");
        QVERIFY(f.session.IsConnected());
        for (int id : {kCmdRefresh, kCmdUpOneLevel, kCmdDisconnect, kCmdCreateDirectory, kCmdNewGroup})
            QVERIFY(f.Enabled(id));
        for (int id : {kCmdQuickConnect, kCmdNewSite, kCmdPermissions, kCmdDelete}) QVERIFY(!f.Enabled(id));
        f.Select({"a.txt"});
        f.context.focusMarker = 1;
        for (int id : {kCmdPermissions, kCmdProperties, kCmdDelete, kCmdDeleteFromList, kCmdRename})
            QVERIFY(f.Enabled(id));

        // Create Directory: an empty name sends nothing; a name makes it and relists.
        MessageLog messages;
        f.LogLines();
        f.typed = "";
        f.commands->CreateDirectory();
        QCOMPARE(messages.texts, QStringList{"New directories must have a name, please be so kind as to enter a "
                                             "name next time."});
        QVERIFY(f.LogLines().filter("MKD").isEmpty());
        f.typed = "made here";
        f.commands->CreateDirectory();
        QVERIFY(QFileInfo(server.Root() + "/made here").isDir());
        QCOMPARE(f.Labels(), (QStringList{"a.txt", "made here"}));

        // Refresh sees what changed on the server.
        server.Put("b.txt", "b");
        f.router.Route(kCmdRefresh);
        QCOMPARE(f.Labels(), (QStringList{"a.txt", "b.txt", "made here"}));
    }

    void RenameFromTheTreeRelabelsTheList() {
        CommandsFixture f(DemoCatalogue());
        f.Select({"Demo"});
        f.view->OpenItem();
        const QPersistentModelIndex alpha = Child(f.tree->model()->index(0, 0), 0);
        f.tree->setCurrentIndex(alpha);
        f.tree->selectionModel()->select(alpha, QItemSelectionModel::Select);
        f.context.focusMarker = 2;
        QVERIFY(f.Enabled(kCmdRename));
        f.typed = "Zulu";
        f.commands->Rename();
        QCOMPARE(Label(alpha), QStringLiteral("Zulu"));
        QCOMPARE(f.Labels(), (QStringList{"Broken", "Gamma", "Zulu"}));

        // With the list focused, Rename needs exactly one selected item.
        f.context.focusMarker = 1;
        f.Select({"Broken", "Gamma"});
        QVERIFY(!f.Enabled(kCmdRename));
        f.Select({"Broken"});
        QVERIFY(f.Enabled(kCmdRename));
        f.typed = "Beta";
        f.commands->Rename();
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
        QCOMPARE(f.dialogs.prompts, 1);
        QVERIFY(f.dialogs.lastPromptWasQuick);
        QVERIFY(f.session.IsConnected());
        QCOMPARE(f.Labels(), QStringList{"pub"});
        QCOMPARE(ChildCount(Child(f.tree->model()->index(0, 0), 0)), 0);  // no directory nodes anywhere
        f.Select({"pub"});
        f.view->OpenItem();
        QCOMPARE(f.Labels(), QStringList{"inner.txt"});
        f.router.Route(kCmdUpOneLevel);  // CWD .., no question on a quick connection
        QCOMPARE(f.Labels(), QStringList{"pub"});
        QVERIFY(f.session.IsConnected());
        MessageLog messages;
        f.router.Route(kCmdDisconnect);
        QVERIFY(!f.session.IsConnected());
        QVERIFY(!f.context.location.QuickConnection());
        QCOMPARE(f.Labels(), (QStringList{"Demo", "Work"}));
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(BrowserCommandsTest)
#include "browser_commands_test.moc"
