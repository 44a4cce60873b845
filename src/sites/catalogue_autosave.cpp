#include "sites/catalogue_autosave.h"

#include "platform/desktop/message_seam.h"
#include "sites/catalogue_entries.h"
#include "sites/catalogue_model.h"

CatalogueAutosave::CatalogueAutosave(CatalogueModel& catalogue, QWidget* messageParent)
    : catalogue(catalogue), messageParent(messageParent) {
    timer.setSingleShot(true);
    timer.setInterval(kDelayMs);
    connect(&timer, &QTimer::timeout, this, [this] { SaveNow(); });
}

void CatalogueAutosave::Start() {
    using Model = QAbstractItemModel;
    connect(&catalogue, &Model::rowsInserted, this, [this](const QModelIndex& parent) { CatalogueChanged(parent); });
    connect(&catalogue, &Model::rowsRemoved, this, [this](const QModelIndex& parent) { CatalogueChanged(parent); });
    connect(&catalogue, &Model::dataChanged, this,
            [this](const QModelIndex& first) { CatalogueChanged(first.parent()); });
}

// Groups are children of the top, sites of groups; anything deeper is a folder.
void CatalogueAutosave::CatalogueChanged(const QModelIndex& parent) {
    const ItemKind kind = catalogue.KindAt(parent);
    if (kind == ItemKind::Site || kind == ItemKind::Directory) return;
    if (!timer.isActive()) timer.start();
}

CatalogueSave CatalogueAutosave::SaveQuietly() {
    timer.stop();
    const CatalogueSave save = catalogue.Save();
    unsaved = !save.saved && !save.error.empty();
    if (save.saved) told = false;
    return save;
}

CatalogueSave CatalogueAutosave::SaveNow() {
    const CatalogueSave save = SaveQuietly();
    if (unsaved && !told) {
        told = true;
        ShowMessage(messageParent,
                    QStringLiteral("The site catalogue could not be saved: %1\nYour changes are kept in memory "
                                   "and saved with the next change, or when Quillmoor exits.")
                        .arg(ToQt(save.error)));
    }
    return save;
}
