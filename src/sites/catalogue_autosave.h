#pragma once

#include <QObject>
#include <QTimer>

#include "sites/store/site_store.h"

class CatalogueModel;
class QWidget;

// Writes the catalogue a moment after a group or site changes (a burst of
// changes writes once), as the transfer queue keeps its file, so that a crash
// or a failing disk at exit loses nothing made earlier. A save that fails
// keeps the changes in memory; the user is told once, and again only after a
// save has worked in between. Folders visited below a site are not written
// and do not make it save.
class CatalogueAutosave : public QObject {
    Q_OBJECT

public:
    static constexpr int kDelayMs = 500;

    CatalogueAutosave(CatalogueModel& catalogue, QWidget* messageParent);

    // Follows the catalogue's changes from now on (after it was loaded).
    void Start();
    // Writes now (a pending write with it); tells the user of a failure once.
    CatalogueSave SaveNow();
    // Writes now without telling the user: the caller says what failed.
    CatalogueSave SaveQuietly();
    bool SavePending() const { return timer.isActive(); }
    // Whether the last write failed, so memory holds changes the file lacks.
    bool Unsaved() const { return unsaved; }

private:
    void CatalogueChanged(const QModelIndex& parent);

    CatalogueModel& catalogue;
    QWidget* messageParent;  // the tree that owns this
    QTimer timer;
    bool unsaved = false;
    bool told = false;  // the user knows of the failure that lasts
};
