#include "app/browser_commands.h"


#include "app/command_router.h"
#include "browser/app_context.h"
#include "browser/create_directory_dialog.h"
#include "browser/permissions_dialog.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "platform/desktop/command_ids.h"
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
        PermissionsDialog dialog(this->view.List(), this->context.session, parent);
        dialog.exec();
    };
}

bool BrowserCommands::Connected() const { return context.session.IsConnected(); }

void BrowserCommands::Install(CommandRouter& router) {
    const auto whenConnected = [this](CommandState& state) { state.enabled = Connected(); };
    const auto whenNotConnected = [this](CommandState& state) { state.enabled = !Connected(); };
    const auto whenListSelection = [this](CommandState& state) { state.enabled = view.List().SelectedCount() > 0; };

    router.AddFrameCommand(kCmdRefresh, [this] { Refresh(); }, whenConnected);
    router.AddFrameCommand(kCmdUpOneLevel, [this] { UpOneLevel(); }, whenConnected);
    router.AddFrameCommand(kCmdDisconnect, [this] { Disconnect(); }, whenConnected);
    router.AddFrameCommand(kCmdRename, [this] { Rename(); }, [this](CommandState& state) { state.enabled = CanRename(); });
    // The list then shows the permissions the server now has.
    router.AddFrameCommand(kCmdPermissions, [this] {
                               if (!Connected()) return;
                               runPermissions(frame);
                               if (Connected()) view.LoadListing();
                           },
                           [this](CommandState& state) {
                               state.enabled = Connected() && view.List().SelectedCount() > 0;
                           });
    router.AddFrameCommand(kCmdProperties, [this] { view.ShowProperties(); }, whenListSelection);
    router.AddFrameCommand(kCmdNewGroup, [this] { NewGroup(); });
    router.AddFrameCommand(kCmdCreateDirectory, [this] { CreateDirectory(); }, whenConnected);
    for (int id : {int(kCmdDelete), int(kCmdDeleteFromList)})
        router.AddFrameCommand(id, [this] { Delete(); }, [this](CommandState& state) { state.enabled = CanDelete(); });
    router.AddFrameCommand(kCmdUpload, [this] { view.UploadChosenFiles(); }, whenConnected);
    router.AddFrameCommand(kCmdDownloadTo, [this] { view.DownloadSelectedTo(); }, [this](CommandState& state) {
        state.enabled = Connected() && view.List().SelectedCount() > 0;
    });
    router.AddFrameCommand(kCmdFilter, [this] { view.OpenFilter(); });
    router.AddFrameCommand(kCmdQuickConnect, [this] { QuickConnect(); }, whenNotConnected);
    router.AddFrameCommand(kCmdNewSite, [this] { NewSite(); }, whenNotConnected);
    view.SetCommandRouting([&router](int id) { router.Route(id); },
                           [&router](int id) { return router.StateOf(id).enabled; });
}

void BrowserCommands::Refresh() {
    if (Connected()) view.LoadListing();
}

void BrowserCommands::UpOneLevel() {
    if (Connected()) view.GoUp();
}

void BrowserCommands::Disconnect() {
    view.Disconnect(true);
}

bool BrowserCommands::CanRename() const {
    if (context.focusMarker == 1) return view.List().SelectedCount() == 1;
    return tree.SelectedNode().isValid() || view.List().SelectedCount() > 0;
}

void BrowserCommands::Rename() {
    const QModelIndex treeItem = tree.SelectedNode();
    if (treeItem.isValid() && context.focusMarker == 2) {
        QString name = tree.Catalogue().LabelAt(treeItem);
        if (askRename(frame, name)) tree.RenameItem(treeItem, name);
        return;
    }
    const int row = view.List().FocusedRow();
    if (row >= 0 && context.focusMarker == 1) {
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
    if (!Connected() && !tree.CurrentNode().isValid()) view.FillCatalogue();
}

void BrowserCommands::CreateDirectory() {
    if (!Connected()) return;
    QString name;
    if (!askDirectoryName(frame, name)) return;
    if (name.isEmpty()) {
        ShowMessage(frame, QStringLiteral(
            "New directories must have a name, please be so kind as to enter a name next time."));
        return;
    }
    WaitCursor wait;
    context.session.MakeDir(name.toStdString());
    view.LoadListing();
}

bool BrowserCommands::CanDelete() const {
    if (context.focusMarker == 2) return tree.CanDelete();
    return view.List().SelectedCount() > 0;
}

void BrowserCommands::Delete() {
    if (context.focusMarker == 2) {
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
    if (const QModelIndex selected = tree.SelectedNode(); selected.isValid()) tree.SetCurrentNode(selected);
    const QModelIndex site = tree.AddProfileToCurrentGroup(profile);
    // The list shows what holds the new site (the groups, or its group) and
    // opens nothing; Save/Connect then opens the new site itself, once, so
    // that its folders grow under it.
    if (tree.CurrentNode().isValid() && site.isValid()) tree.SetCurrentNode(site.parent());
    view.FillCatalogue();
    if (result != SiteDialogs::PropertiesResult::SavedAndConnect || !site.isValid()) return;
    view.GoToSitePath(tree.Catalogue().ProfileAt(site), QString());
}

void InstallBrowserCommands(CommandRouter& router, AppContext& context, QWidget* frame) {
    auto* tree = qobject_cast<SiteTree*>(context.siteTree);
    auto* view = qobject_cast<RemoteView*>(context.listView);
    if (!tree || !view) return;
    auto* commands = new BrowserCommands(context, *tree, *view, view->Dialogs(), frame);
    commands->Install(router);
}
