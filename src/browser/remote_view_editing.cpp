// Deleting, renaming and showing the properties of list items.
#include "browser/app_context.h"
#include "browser/delete_dialog.h"
#include "browser/file_properties_dialog.h"
#include "browser/remote_deletion.h"
#include "browser/remote_view.h"
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
    // Catalogue entries go at once; what is on the server is asked about first.
    QList<int> catalogueRows;
    for (int row : rows) {
        const ItemKind kind = list->KindAt(row);
        if (kind != ItemKind::Site && kind != ItemKind::Group) continue;
        catalogueRows.prepend(row);  // removed from the bottom up afterwards
    }
    if (!catalogueRows.isEmpty()) {
        DeleteDialog confirm;
        confirm.message = RemoteDeletion({}).Question(static_cast<int>(rows.size()));
        if (!confirm.Run(this)) return;
        for (int row : catalogueRows) {
            if (const QModelIndex item = ShownChild(list->ItemText(row, RemoteListModel::kName)); item.isValid())
                catalogue.Remove(item);
            list->Model().RemoveItem(row);
        }
        return;
    }
    if (onServer.isEmpty() || !Connected()) return;
    DeleteOnServer(std::make_shared<RemoteDeletion>(onServer), static_cast<int>(rows.size()));
}

// Every folder is surveyed first (the requests run in order); the question
// comes once the last survey is back, and only if none failed.
void RemoteView::DeleteOnServer(std::shared_ptr<RemoteDeletion> deletion, int selectedCount) {
    auto surveysLeft = std::make_shared<int>(0);
    auto failed = std::make_shared<bool>(false);
    const auto ask = [this, deletion, selectedCount] {
        DeleteDialog confirm;
        confirm.message = deletion->Question(selectedCount);
        if (!confirm.Run(this)) return;
        auto left = std::make_shared<int>(static_cast<int>(deletion->Items().size()));
        for (const RemoteDeletion::Item& item : deletion->Items()) {
            RunShown(deletion->DeleteRequest(item, PathOf(item.name)), QStringLiteral("Deleting"), item.label,
                     [this, deletion, item, left](const RequestResult& result) {
                         deletion->TakeResult(item, result, this);
                         if (--*left > 0) return;
                         deletion->ReportLeftovers(this);
                         if (!LeftLostSession(FailureOf(result))) LoadListing();
                     });
        }
    };
    for (const RemoteDeletion::Item& item : deletion->Items()) {
        if (!RemoteDeletion::NeedsSurvey(item)) continue;
        ++*surveysLeft;
        RunShown(request::SurveyTree{PathOf(item.name)}, QStringLiteral("Deleting"),
                 QStringLiteral("Counting what %1 holds").arg(item.label),
                 [this, deletion, item, surveysLeft, failed, ask](const RequestResult& result) {
                     const auto* survey = std::get_if<Result<TreeContents>>(&result);
                     if (!*failed) {
                         *failed = survey == nullptr ? !deletion->TakeSurvey(item, FailureOf(result), this)
                                                     : !deletion->TakeSurvey(item, *survey, this);
                     }
                     if (--*surveysLeft == 0 && !*failed) ask();
                 });
    }
    if (*surveysLeft == 0) ask();
}

void RemoteView::RenameSelected(const QString& newName) {
    const int row = list->NextSelected(-1);
    if (row < 0) return;
    const QString oldName = list->ItemText(row, RemoteListModel::kName);
    // An emptied label would leave an item nobody can name; treat it as cancelled.
    if (newName.isEmpty() || newName == oldName) return;
    switch (list->KindAt(row)) {
        case ItemKind::File:
            RenameOnServer(oldName, newName, [this, oldName, newName](bool renamed) {
                const int now = list->FindLabel(oldName);
                if (!renamed || now < 0) return;
                list->SelectRow(list->Model().SetLabel(now, newName));
                Arrange();
            });
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

void RemoteView::RenameOnServer(const QString& oldName, const QString& newName, std::function<void(bool)> after) {
    if (!Connected()) return;
    Run(request::Rename{PathOf(oldName), PathOf(newName)},
        [this, after = std::move(after)](const RequestResult& result) {
            const Error& failure = FailureOf(result);
            if (LeftLostSession(failure)) return;
            after(failure.category == Error::Category::None);
        });
}

void RemoteView::RenameDirectoryRow(int row, const QString& newName) {
    const QString oldName = list->ItemText(row, RemoteListModel::kName);
    RenameOnServer(oldName, newName, [this, oldName](bool renamed) {
        if (!renamed) return;
        // The tree learns the new name from the fresh listing.
        emit folderGone(oldName);
        LoadListing();
    });
}

void RemoteView::RenameDirectoryByName(const QString& oldName, const QString& newName) {
    const int row = list->FindLabel(oldName);
    if (row < 0 || list->KindAt(row) != ItemKind::Directory) return;
    RenameDirectoryRow(row, newName);
}

void RemoteView::MakeDirectory(const QString& name) {
    if (!Connected()) return;
    Run(request::MakeDirectory{PathOf(name)}, [this](const RequestResult& result) {
        if (!LeftLostSession(FailureOf(result))) LoadListing();
    });
}

void RemoteView::SetPermissions(const QStringList& names, const QString& mode) {
    if (!Connected()) return;
    auto refused = std::make_shared<QStringList>();
    auto left = std::make_shared<int>(static_cast<int>(names.size()));
    for (const QString& name : names) {
        Run(request::SetPermissions{PathOf(name), mode.toStdString()},
            [this, name, refused, left](const RequestResult& result) {
                const Error& failure = FailureOf(result);
                if (failure.category != Error::Category::None && failure.category != Error::Category::Cancelled)
                    refused->append(name);
                if (--*left > 0) return;
                if (LeftLostSession(failure)) return;
                if (!refused->isEmpty()) ShowMessage(this, QStringLiteral("Error setting permissions"));
            });
    }
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
            FilePropertiesDialog dialog(*list, location, this);
            dialog.exec();
            if (dialog.Renamed()) {
                // The outcome is not reported; the next listing shows the server's truth.
                RenameOnServer(dialog.OldName(), dialog.Name(), [this](bool) { LoadListing(); });
            }
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
