#pragma once

#include <QObject>
#include <QString>

#include <functional>

class CommandRouter;
class RemoteView;
class SiteTree;
class QWidget;
class SiteDialogs;
struct AppContext;

// The main frame's commands that act on the catalogue, the remote list and the
// session (Refresh, Up One Level, Disconnect, Rename, Permissions, Properties,
// New Group, Create Directory, Delete, Quick Connect, New Site), each with its
// enable rule. Installed on the frame's command router; they run when the
// focused pane does not take a command itself.
class BrowserCommands : public QObject {
    Q_OBJECT

public:
    // One-line questions the commands ask; each fills `text` (given the old
    // label for Rename) and answers false for Cancel. Tests replace them.
    using AskText = std::function<bool(QWidget* parent, QString& text)>;
    AskText askRename;
    AskText askGroupName;
    AskText askDirectoryName;
    std::function<void(QWidget* parent)> runPermissions;

    BrowserCommands(AppContext& context, SiteTree& tree, RemoteView& view, SiteDialogs& siteDialogs,
                    QWidget* frame);

    void Install(CommandRouter& router);

    void Refresh();
    void UpOneLevel();
    void Disconnect();
    void Rename();
    void NewGroup();
    void CreateDirectory();
    void Delete();
    void QuickConnect();
    void NewSite();

    bool CanRename() const;
    bool CanDelete() const;

private:
    bool Connected() const;

    AppContext& context;
    SiteTree& tree;
    RemoteView& view;
    SiteDialogs& siteDialogs;
    QWidget* frame;
};

// Creates the commands for the frame's panes (the real tree and list view) and
// installs them; nothing when the panes are of other kinds.
void InstallBrowserCommands(CommandRouter& router, AppContext& context, QWidget* frame);
