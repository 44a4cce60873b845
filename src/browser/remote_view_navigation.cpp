// Opening items, changing directory and going up.
#include "browser/app_context.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"
#include "sites/site_tree.h"

void RemoteView::OpenItem() {
    currentItem = list->NextSelected(-1);
    const QString label = list->ItemText(currentItem, RemoteListModel::kName);
    switch (list->KindAt(currentItem)) {
        case ItemKind::Group:
            tree.SelectChildByLabel(label);
            FillCatalogue();
            break;
        case ItemKind::Site: {
            SiteProfile profile;
            tree.FindChildProfile(label, &profile);
            ConnectToSite(profile);
            break;
        }
        case ItemKind::Directory:
            ChangeDirectory(label);
            break;
        case ItemKind::File:
            DownloadAndOpen(label);
            break;
        default:
            break;
    }
    Arrange();
}

void RemoteView::GoToSitePath(const SiteProfile& site, const QString& sitePath) {
    const Location& here = context.location;
    const QString name = QString::fromStdString(site.name);
    // Only the session of that very site is reused: another profile on the
    // same host may log in as someone else.
    if (!(context.session.connected && here.Connected() && !here.QuickConnection() && here.Site() == name)) {
        ConnectToSite(site);
        if (!context.session.connected || sitePath.isEmpty()) return;
    }
    const QString target = remote_path::Resolve(here.Home(), sitePath);
    if (target == here.Path()) return;  // already showing it
    GoToPath(remote_path::StepsBetween(here.Path(), target));
}

void RemoteView::GoToPath(const QString& path) {
    if (path.isEmpty() || !context.session.connected) return;
    const ReplyClass replyClass = ChangeDirectory(path);
    if (replyClass == kComplete || replyClass == kTransient || !context.session.connected) return;
    ShowMessage(this, QStringLiteral("Could not change to %1: %2")
                          .arg(path, QString::fromStdString(context.session.Control().ReplyText())));
}

ReplyClass RemoteView::ChangeDirectory(const QString& name) {
    WaitCursor wait;
    const QString target = name.isEmpty() ? SelectedName() : name;
    const ReplyClass replyClass = context.session.ChangeDir(target.toStdString());
    if (replyClass == kComplete) {
        context.location.SetPath(remote_path::Resolve(context.location.Path(), target));
        LoadListing();
    } else if (replyClass == kTransient) {
        Disconnect(false);
        ShowMessage(this, QStringLiteral(
            "The connection was closed without me knowing about it, try logging on again."));
    }
    return replyClass;
}

void RemoteView::GoUp() {
    Location& here = context.location;
    if (here.QuickConnection() || !here.AtTop()) {
        ChangeDirectory(QStringLiteral(".."));
        return;
    }
    if (AskYesNo(this, QStringLiteral("You are at the root directory, are you sure you want to disconnect from ") +
                           SessionHost())) {
        context.session.Quit();
        here.SetDisconnected();
        FillCatalogue();
    }
}
