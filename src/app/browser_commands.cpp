#include "app/browser_commands.h"

#include <QAction>
#include <QApplication>

#include "app/frame_actions.h"
#include "browser/app_context.h"
#include "browser/create_directory_dialog.h"
#include "browser/permissions_dialog.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "platform/desktop/message_seam.h"
#include "platform/desktop/program_icons.h"
#include "sites/new_group_dialog.h"
#include "sites/rename_dialog.h"
#include "sites/site_tree.h"
#include "sites/catalogue_entries.h"
#include "sites/store/site_profile.h"

namespace {

template <typename Dialog>
bool AskWith(QWidget* parent, QString& text) {
    Dialog dialog(parent);
    dialog.name = text;
    if (dialog.exec() != QDialog::Accepted) return false;
    text = dialog.name;
    return true;
}

bool AskDirectoryName(QWidget* parent, QString& text) {
    CreateDirectoryDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    text = dialog.Name();
    return true;
}

}  // namespace

BrowserCommands::BrowserCommands(AppContext& context, SiteTree& tree, RemoteView& view,
                                 SiteDialogs& siteDialogs, QWidget* frame)
    : QObject(frame), context(context), tree(tree), view(view), siteDialogs(siteDialogs), frame(frame) {
    askRename = AskWith<RenameDialog>;
    askGroupName = AskWith<NewGroupDialog>;
    askDirectoryName = AskDirectoryName;
    runPermissions = [this](QWidget* parent) {
        PermissionsDialog dialog(this->view.List(), parent);
        if (dialog.exec() == QDialog::Accepted) this->view.SetPermissions(dialog.Names(), dialog.Mode());
    };
    for (QObject* pane : {static_cast<QObject*>(&tree), static_cast<QObject*>(&view)})
        connect(pane, &QObject::destroyed, this, [this] { panesGone = true; });
}

bool BrowserCommands::Connected() const { return view.Connected(); }

bool BrowserCommands::ListSelection() const { return view.List().HasSelection(); }

// Each frame action these commands carry out, with its enable rule (none:
// always enabled).
const std::vector<BrowserCommands::ActionCommand>& BrowserCommands::ActionCommands() {
    using B = BrowserCommands;
    static const std::vector<ActionCommand> commands{
        {u"refresh", &B::Refresh, &B::Connected},
        {u"upOneLevel", &B::UpOneLevel, &B::Connected},
        {u"disconnect", &B::Disconnect, &B::Connected},
        {u"rename", &B::Rename, &B::CanRename},
        {u"permissions", &B::RunPermissions, &B::ConnectedWithSelection},
        {u"properties", &B::ShowProperties, &B::ListSelection},
        {u"newGroup", &B::NewGroup, nullptr},
        {u"createDirectory", &B::CreateDirectory, &B::Connected},
        {u"delete", &B::Delete, &B::CanDelete},
        {u"upload", &B::Upload, &B::Connected},
        {u"downloadTo", &B::DownloadTo, &B::ConnectedWithSelection},
        {u"filter", &B::OpenFilter, nullptr},
        {u"quickConnect", &B::QuickConnect, &B::NotConnected},
        {u"newSite", &B::NewSite, &B::NotConnected},
    };
    return commands;
}

void BrowserCommands::DisableActions(QObject& owner) {
    for (const ActionCommand& command : ActionCommands()) {
        if (QAction* action = FindFrameAction(&owner, command.name)) action->setEnabled(false);
    }
}

void BrowserCommands::Install(QObject& owner) {
    for (const ActionCommand& command : ActionCommands()) {
        QAction* action = FindFrameAction(&owner, command.name);
        if (!action) continue;
        // A rule is asked again before acting: the session may have ended
        // since the state was last set.
        connect(action, &QAction::triggered, this, [this, command] {
            if (!command.rule || (this->*command.rule)()) (this->*command.run)();
        });
        wired.push_back({action, command.rule});
    }
    // The list's context entries that ask the frame's questions.
    connect(view.RenameAction(), &QAction::triggered, this, &BrowserCommands::Rename);
    connect(view.CreateDirectoryAction(), &QAction::triggered, this, &BrowserCommands::CreateDirectory);
    connect(view.AddProfileAction(), &QAction::triggered, this, &BrowserCommands::NewSite);

    // What the rules read: the connection (the location changes with every
    // login and logout), both selections and which pane has the focus.
    connect(&view, &RemoteView::placeChanged, this, &BrowserCommands::UpdateStates);
    connect(&view.List(), &RemoteListWidget::selectionChanged, this, &BrowserCommands::UpdateStates);
    connect(tree.selectionModel(), &QItemSelectionModel::selectionChanged, this, &BrowserCommands::UpdateStates);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        NoteFocus(now);
        UpdateStates();
    });
    UpdateStates();
}

void BrowserCommands::NoteFocus(QWidget* now) {
    if (panesGone || !now) return;
    // Focus elsewhere (the location bar, the log, a dialog) leaves the pane as it was.
    if (now == &tree || tree.isAncestorOf(now)) {
        focused = Pane::Tree;
    } else if (now == &view.List() || view.List().isAncestorOf(now)) {
        focused = Pane::List;
    }
}

void BrowserCommands::UpdateStates() {
    if (panesGone) return;
    for (const WiredAction& entry : wired) entry.action->setEnabled(!entry.rule || (this->*entry.rule)());
}

bool BrowserCommands::NotConnected() const { return !Connected(); }

bool BrowserCommands::ConnectedWithSelection() const { return Connected() && ListSelection(); }

// The list then shows the permissions the server now has.
void BrowserCommands::RunPermissions() {
    if (!Connected()) return;
    runPermissions(frame);
    if (Connected()) view.LoadListing();
}

void BrowserCommands::ShowProperties() { view.ShowProperties(); }

void BrowserCommands::Upload() { view.UploadChosenFiles(); }

void BrowserCommands::DownloadTo() { view.DownloadSelectedTo(); }

void BrowserCommands::OpenFilter() { view.OpenFilter(); }

void BrowserCommands::Refresh() {
    if (Connected()) view.LoadListing();
}

void BrowserCommands::UpOneLevel() {
    if (Connected()) view.GoUp();
}

void BrowserCommands::Disconnect() { view.Disconnect(true); }

bool BrowserCommands::CanRename() const {
    if (focused == Pane::List) return view.List().HasOneSelected();
    return tree.SelectedNode().isValid() || ListSelection();
}

void BrowserCommands::Rename() {
    const QModelIndex treeItem = tree.SelectedNode();
    if (treeItem.isValid() && focused == Pane::Tree) {
        QString name = tree.Catalogue().LabelAt(treeItem);
        if (askRename(frame, name)) tree.RenameItem(treeItem, name);
        return;
    }
    const int row = view.List().FocusedRow();
    if (row >= 0 && focused == Pane::List) {
        QString name = view.List().ItemText(row, 0);
        if (askRename(frame, name)) view.RenameSelected(name);
    }
}

void BrowserCommands::NewGroup() {
    QString name;
    if (!askGroupName(frame, name)) return;
    if (name.isEmpty()) {
        ShowMessage(frame, QStringLiteral("Group's must have a name"));
        return;
    }
    tree.AddGroup(name);
    // The list shows the top level when nothing is open; let it show the group.
    if (!Connected() && !view.ShownGroup().isValid()) view.FillCatalogue();
}

void BrowserCommands::CreateDirectory() {
    if (!Connected()) return;
    QString name;
    if (!askDirectoryName(frame, name)) return;
    if (name.isEmpty()) {
        ShowMessage(frame,
                    QStringLiteral(
                        "New directories must have a name, please be so kind as to enter a name next time."));
        return;
    }
    view.MakeDirectory(name);
}

bool BrowserCommands::CanDelete() const {
    if (focused == Pane::Tree) return tree.CanDelete();
    return ListSelection();
}

void BrowserCommands::Delete() {
    if (focused == Pane::Tree) {
        tree.DeleteSelected();
        // Deleting a group or a site changes what the list may be showing.
        if (!Connected()) view.FillCatalogue();
        return;
    }
    view.DeleteSelected();
}

void BrowserCommands::QuickConnect() {
    SiteProfile profile;
    profile.prompt = true;
    profile.savePassword = false;
    profile.useFirewall = false;
    view.ConnectToSite(profile, RemoteView::ConnectionKind::Quick);
}

void BrowserCommands::NewSite() {
    if (Connected()) return;
    SiteProfile profile;
    profile.icon = "Wexal.exe ,32";
    profile.prompt = false;
    QIcon icon = ProgramFileIcon(ProgramIcons::kSiteIconIndex);
    const SiteDialogs::PropertiesResult result = siteDialogs.EditSiteProperties(frame, profile, icon);
    if (result == SiteDialogs::PropertiesResult::Cancelled) return;
    profile.account.clear();
    profile.localDir.clear();
    // The new site joins the group of the node selected in the tree, else the
    // group the list shows (a current site or folder never names a new group).
    const QModelIndex selected = tree.SelectedNode();
    const QModelIndex from = selected.isValid() ? selected : view.ShownGroup();
    const QModelIndex site = tree.AddProfileToGroupOf(from, profile);
    // The list shows what holds the new site (the groups, or its group) and
    // opens nothing; Save/Connect then opens the new site itself, once, so
    // that its folders grow under it.
    view.ShowGroup(from.isValid() && site.isValid() ? site.parent() : from);
    if (result != SiteDialogs::PropertiesResult::SavedAndConnect || !site.isValid()) return;
    view.GoToSitePath(tree.Catalogue().ProfileAt(site), QString());
}

void InstallBrowserCommands(QObject& owner, AppContext& context, QWidget* frame, QWidget* treePane,
                            QWidget* listPane) {
    auto* tree = qobject_cast<SiteTree*>(treePane);
    auto* view = qobject_cast<RemoteView*>(listPane);
    if (!tree || !view) {
        BrowserCommands::DisableActions(owner);  // nobody carries them out
        return;
    }
    auto* commands = new BrowserCommands(context, *tree, *view, view->Dialogs(), frame);
    commands->Install(owner);
}
