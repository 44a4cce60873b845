// Deleting, renaming and showing the properties of list items.
#include "browser/app_context.h"
#include "browser/delete_dialog.h"
#include "browser/file_properties_dialog.h"
#include "browser/remote_deletion.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/icon_spec.h"
#include "platform/desktop/message_seam.h"
#include "sites/catalogue_model.h"

void RemoteView::DeleteSelected() {
    const QList<int> rows = list->SelectedRows();
    QList<RemoteDeletion::Item> onServer;
    for (int row : rows) {
        const ItemKind kind = list->KindAt(row);
        if (kind != ItemKind::File && kind != ItemKind::Directory) continue;
        const RemoteListItem& item = list->Model().Item(row);
        onServer.append({item.label, item.Name(), item.permissions, kind == ItemKind::Directory});
    }
    RemoteDeletion deletion(context.session, this);
    {
        WaitCursor wait;
        if (!deletion.Survey(onServer)) {
            LeaveClosedSession();
            return;
        }
    }
    DeleteDialog confirm;
    confirm.message = deletion.Question(static_cast<int>(rows.size()));
    if (!confirm.Run(this)) return;

    WaitCursor wait;
    bool changedOnServer = false;
    for (const RemoteDeletion::Item& item : onServer) changedOnServer = deletion.Delete(item) || changedOnServer;
    QList<int> catalogueRows;
    for (int row : rows) {
        const ItemKind kind = list->KindAt(row);
        if (kind != ItemKind::Site && kind != ItemKind::Group) continue;
        if (const QModelIndex item = ShownChild(list->ItemText(row, RemoteListModel::kName)); item.isValid())
            catalogue.Remove(item);
        catalogueRows.prepend(row);  // removed from the bottom up afterwards
    }
    for (int row : catalogueRows) list->Model().RemoveItem(row);
    deletion.ReportLeftovers();
    if (context.session.IsConnected() && changedOnServer) LoadListing();
    LeaveClosedSession();
}

void RemoteView::RenameSelected(const QString& newName) {
    const int row = list->NextSelected(-1);
    if (row < 0) return;
    const QString oldName = list->ItemText(row, RemoteListModel::kName);
    // An emptied label would leave an item nobody can name; treat it as cancelled.
    if (newName.isEmpty() || newName == oldName) return;
    switch (list->KindAt(row)) {
        case ItemKind::File:
            if (context.session.Rename(oldName.toStdString(), newName.toStdString())) {
                list->SelectRow(list->Model().SetLabel(row, newName));
                Arrange();
            }
            break;
        case ItemKind::Directory:
            RenameDirectoryRow(row, newName);
            break;
        case ItemKind::Site:
            list->SelectRow(list->Model().SetLabel(row, newName));
            if (const QModelIndex site = ShownChild(oldName); catalogue.KindAt(site) == ItemKind::Site)
                catalogue.Rename(site, newName);
            Arrange();
            break;
        case ItemKind::Group:
            list->SelectRow(list->Model().SetLabel(row, newName));
            if (const QModelIndex group = catalogue.ChildLabelled({}, oldName); group.isValid())
                catalogue.Rename(group, newName);
            Arrange();
            break;
        default:
            break;
    }
}

void RemoteView::RenameDirectoryRow(int row, const QString& newName) {
    WaitCursor wait;
    const QString oldName = list->ItemText(row, RemoteListModel::kName);
    if (!context.session.Rename(oldName.toStdString(), newName.toStdString())) return;
    // The tree learns the new name from the fresh listing.
    emit folderGone(oldName);
    LoadListing();
    Arrange();
}

bool RemoteView::RenameDirectoryByName(const QString& oldName, const QString& newName) {
    const int row = list->FindLabel(oldName);
    if (row < 0 || list->KindAt(row) != ItemKind::Directory) return false;
    const QString before = list->ItemText(row, RemoteListModel::kName);
    if (!context.session.Rename(before.toStdString(), newName.toStdString())) return false;
    emit folderGone(before);
    LoadListing();
    Arrange();
    return true;
}

void RemoteView::onLabelEditFinished(int, const QString& newText) { RenameSelected(newText); }

void RemoteView::ShowProperties() {
    const int row = list->NextSelected(-1);
    if (row < 0) return;
    const QString label = list->ItemText(row, RemoteListModel::kName);
    switch (list->KindAt(row)) {
        case ItemKind::File:
        case ItemKind::Directory: {
            if (list->SelectedCount() != 1) {
                ShowMessage(this, QStringLiteral("Properties can only be viewed for one item at a time."));
                return;
            }
            QString location = QStringLiteral("/");
            if (!place.quick && place.connected) {
                location = place.site + u'/';
                for (const QString& label : remote_path::LabelsBelowSite(place.home, place.path))
                    location += label + u'/';
            }
            FilePropertiesDialog dialog(*list, context.session, location, this);
            dialog.exec();
            break;
        }
        case ItemKind::Site: {
            SiteProfile profile;
            if (!ShownSite(label, profile) || profile.kind != static_cast<int>(ItemKind::Site)) break;
            QIcon icon = IconFromSpec(QString::fromStdString(profile.icon));
            const SiteDialogs::PropertiesResult result = dialogs.EditSiteProperties(this, profile, icon);
            if (result != SiteDialogs::PropertiesResult::Cancelled) {
                int image = list->Model().Item(row).image;
                if (smallImages.Add(icon) >= 0 && largeImages.Add(icon) >= 0) image = smallImages.Count() - 1;
                const QString newLabel = QString::fromStdString(profile.name);
                const int newRow = list->Model().SetLabel(row, newLabel);
                list->Model().SetImage(newRow, image);
                list->SelectRow(newRow);
                const QModelIndex site = ShownChild(label);
                catalogue.SetProfile(site, profile);
                // The catalogue's site takes the new name as well, so that it can
                // still be found by the label the list now shows.
                if (newLabel != label) catalogue.Rename(site, newLabel);
                if (result == SiteDialogs::PropertiesResult::SavedAndConnect) OpenItem();
            }
            Arrange();
            break;
        }
        default:
            break;
    }
}
