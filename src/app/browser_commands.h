#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class RemoteView;
class SiteTree;
class QWidget;
class SiteDialogs;
struct AppContext;

// The main frame's commands that act on the catalogue, the remote list and the
// session (Refresh, Up One Level, Disconnect, Rename, Permissions, Properties,
// New Group, Create Directory, Delete, Upload, Download To, Filter, Quick
// Connect, New Site). Install connects them to the frame's actions of those
// names and keeps each action's enabled state current as the connection, the
// selections and the focus change. Delete and Rename act on the pane that
// last had the focus.
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

    // Wires the actions among owner's children (see frame_actions.h), and the
    // list's context entries that need the frame's questions.
    void Install(QObject& owner);
    // Disables the frame actions these commands would carry out.
    static void DisableActions(QObject& owner);

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
    bool NotConnected() const;
    bool ListSelection() const;
    bool ConnectedWithSelection() const;
    void RunPermissions();
    void ShowProperties();
    void Upload();
    void DownloadTo();
    void OpenFilter();
    // Sets every wired action's enabled state from the connection, the
    // selections and the focused pane.
    void UpdateStates();
    // Notes which of the two panes now has the keyboard focus, if either.
    void NoteFocus(QWidget* now);

    struct ActionCommand {
        const char16_t* name;
        void (BrowserCommands::*run)();
        bool (BrowserCommands::*rule)() const;
    };
    static const std::vector<ActionCommand>& ActionCommands();

    struct WiredAction {
        QAction* action;
        bool (BrowserCommands::*rule)() const;
    };
    std::vector<WiredAction> wired;

    AppContext& context;
    SiteTree& tree;
    RemoteView& view;
    SiteDialogs& siteDialogs;
    QWidget* frame;
    // The pane that last had the keyboard focus: Delete and Rename act on it.
    enum class Pane { None, List, Tree };
    Pane focused = Pane::None;
    // Set once the tree or the list is being destroyed: the frame takes its
    // panes down before this object, and their last selection changes must
    // not reach rules that read them.
    bool panesGone = false;
};

// Creates the commands for the frame's panes (the real tree and list view) and
// installs them on owner's actions; when the panes are of other kinds those
// actions stay disabled.
void InstallBrowserCommands(QObject& owner, AppContext& context, QWidget* frame, QWidget* treePane,
                            QWidget* listPane);
