// Opening items, changing directory and going up.
#include "browser/app_context.h"
#include "browser/list_filter.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"
#include "sites/catalogue_model.h"

void RemoteView::OpenItem() {
    currentItem = list->NextSelected(-1);
    const QString label = list->ItemText(currentItem, RemoteListModel::kName);
    switch (list->KindAt(currentItem)) {
        case ItemKind::Group:
            if (const QModelIndex group = ShownChild(label); group.isValid()) {
                ShowGroup(group);
            } else {
                FillCatalogue();
            }
            break;
        case ItemKind::Site: {
            SiteProfile profile;
            ShownSite(label, profile);
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
    const RemotePlace& here = place;
    const QString name = QString::fromStdString(site.name);
    // Only the session of that very site is reused: another profile on the
    // same host may log in as someone else.
    if (!(context.session.IsConnected() && here.connected && !here.quick && here.site == name)) {
        ConnectToSite(site);
        if (!context.session.IsConnected() || sitePath.isEmpty()) return;
    }
    const QString target = remote_path::Resolve(here.home, sitePath);
    if (target == here.path) return;  // already showing it
    GoToPath(remote_path::StepsBetween(here.path, target));
}

void RemoteView::GoToPath(const QString& path) {
    if (path.isEmpty() || !context.session.IsConnected()) return;
    const ReplyClass replyClass = ChangeDirectory(path);
    if (replyClass == kComplete || replyClass == kTransient || !context.session.IsConnected()) return;
    ShowMessage(this, QStringLiteral("Could not change to %1: %2")
                          .arg(path, QString::fromStdString(context.session.Control().ReplyText())));
}

// The directory change and the listing run together on the session's
// worker, so a server that stalls on either leaves the window responsive and
// the progress dialog's Cancel ends both.
ReplyClass RemoteView::ChangeDirectory(const QString& name) {
    WaitCursor wait;
    const QString target = name.isEmpty() ? SelectedName() : name;
    RemoteEntry first;
    const FtpSession::EnteredListing listed = context.session.EnterAndList(target.toStdString(), first);
    const ReplyClass replyClass = ReplyClassOf(listed.entered);
    if (listed.entered) {
        if (place.connected) {
            RemotePlace next = place;
            next.path = remote_path::Resolve(place.path, target);
            SetPlace(next);
        }
        filter->Clear();
        ClearItems();
        showsRemoteDirectory = true;
        ShowListing(listed.read, first);
    } else if (listed.entered.Failure().category == Error::Category::Cancelled) {
        LeaveClosedSession();  // the cancel closed the session
    } else if (replyClass == kTransient) {
        Disconnect(false);
        ShowMessage(this, QStringLiteral(
            "The connection was closed without me knowing about it, try logging on again."));
    }
    return replyClass;
}

void RemoteView::GoUp() {
    if (place.quick || !place.AtTop()) {
        ChangeDirectory(QStringLiteral(".."));
        return;
    }
    if (AskYesNo(this, QStringLiteral("You are at the root directory, are you sure you want to disconnect from ") +
                           SessionHost())) {
        context.session.Quit();
        const QModelIndex group = GroupAfterSession();
        SetPlace({});
        ShowGroup(group);
    }
}

QModelIndex RemoteView::GroupAfterSession() const {
    // The list showing the site's folders goes back to the site's group; one
    // showing a group stays there.
    const QModelIndex site = place.quick ? QModelIndex() : catalogue.FindSite(place.site);
    return site.isValid() && showsRemoteDirectory ? site.parent() : QModelIndex(shownGroup);
}
