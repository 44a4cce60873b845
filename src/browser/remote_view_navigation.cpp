// Opening items, changing directory and going up.
#include "browser/app_context.h"
#include "browser/list_filter.h"
#include "browser/remote_view.h"
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
    if (!(Connected() && !here.quick && here.site == name)) {
        SiteProfile profile = site;
        if (profile.prompt && !dialogs.PromptConnection(this, profile, false)) return;
        Connect(profile, ConnectionKind::Site, sitePath);
        return;
    }
    // An empty path is the site itself: its login directory.
    const QString target = remote_path::Resolve(here.home, sitePath);
    if (target == here.path) return;  // already showing it
    ChangeDirectory(target);
}

void RemoteView::GoToPath(const QString& path) {
    if (path.isEmpty() || !Connected()) return;
    EnterAndList(path, true);
}

void RemoteView::ChangeDirectory(const QString& name) { EnterAndList(name.isEmpty() ? SelectedName() : name, false); }

// Enters the folder, then lists it: a refusal of the one is told apart from
// a failure of the other. Both run on the connection, so a server that
// stalls on either leaves the window responsive and the progress dialog's
// Cancel ends the request.
void RemoteView::EnterAndList(const QString& target, bool sayRefusal) {
    // A change asked for while another is on its way starts where that one
    // goes: two quick presses of Backspace go up two levels.
    const QString path = remote_path::Resolve(pendingPath.isEmpty() ? place.path : pendingPath, target);
    pendingPath = path;
    RunShown(request::ChangeDirectory{path.toStdString()}, QStringLiteral("Getting Directory"),
             QStringLiteral("Changing to %1").arg(path), [this, target, path, sayRefusal](const RequestResult& result) {
                 const Error& failure = FailureOf(result);
                 if (failure.category == Error::Category::None) {
                     ListAt(path, true);
                     return;
                 }
                 if (pendingPath == path) pendingPath.clear();
                 if (failure.category != Error::Category::Cancelled && !LeftLostSession(failure) &&
                            sayRefusal) {
                     ShowMessage(this, QStringLiteral("Could not change to %1: %2")
                                           .arg(target, QString::fromStdString(failure.message)));
                 }
             });
}

void RemoteView::ListAt(const QString& path, bool moving) {
    RunShown(request::List{path.toStdString()}, QStringLiteral("Getting Directory"),
             QStringLiteral("Getting the listing of %1").arg(path), [this, path, moving](const RequestResult& result) {
                 if (moving && pendingPath == path) pendingPath.clear();
                 // A refresh that a move overtook lists a place the list has left.
                 if (!moving && (path != place.path || !pendingPath.isEmpty())) return;
                 const auto* listing = std::get_if<Result<Listing>>(&result);
                 const Error& failure = FailureOf(result);
                 if (failure.category == Error::Category::Cancelled || LeftLostSession(failure)) return;
                 if (moving) {
                     if (place.connected) {
                         RemotePlace next = place;
                         next.path = path;
                         SetPlace(next);
                     }
                     filter->Clear();
                 }
                 if (listing && listing->Ok()) {
                     ShowListing(listing->Value());
                     return;
                 }
                 // An empty list would claim the directory is empty.
                 ClearItems();
                 showsRemoteDirectory = true;
                 ShowMessage(this, QStringLiteral("Could not get the directory listing; see the log for the reason."));
             });
}

void RemoteView::GoUp() {
    if (place.quick || !place.AtTop()) {
        ChangeDirectory(QStringLiteral(".."));
        return;
    }
    if (AskYesNo(this, QStringLiteral("You are at the root directory, are you sure you want to disconnect from ") +
                           SessionHost())) {
        const QModelIndex group = GroupAfterSession();
        EndConnection();
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
