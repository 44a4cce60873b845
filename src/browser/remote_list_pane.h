#pragma once

#include <QString>
#include <QStringList>

#include "browser/existing_file_question.h"
#include "sites/remote_place.h"

// Display modes of the remote file list. The numbers are also the stored
// "Default View" setting.
enum class ListViewMode : int { LargeIcons = 0, Details = 1, SmallIcons = 2, List = 3 };

// What the main frame needs from the remote file list pane: its view mode, its
// label sort, where it is, a fresh listing after an upload, and what it lists
// (an upload asks before it replaces what is there).
class RemoteListPane {
public:
    virtual ~RemoteListPane() = default;

    // Where the list is: its site and directory (not connected by default).
    virtual RemotePlace Place() const { return {}; }
    // "Encrypted (TLS 1.3)" or "Not encrypted": the last connection made,
    // shown in the status bar while the session is connected.
    virtual QString ConnectionSecurity() const { return {}; }

    virtual ListViewMode ViewMode() const = 0;
    virtual void SetViewMode(ListViewMode mode) = 0;
    virtual bool SortsAscending() const = 0;
    virtual void SetSortAscending(bool on) = 0;
    // Lays the items out again after a mode change.
    virtual void ArrangeItems() = 0;
    // Fetches the listing of the current remote directory again.
    virtual void LoadListing() = 0;
    // Whether the listing shown holds a file of this name (an upload asks
    // before it replaces one).
    virtual bool ListsFile(const QString& name) const {
        (void)name;
        return false;
    }
    // Whether it holds a folder of this name (a queued folder upload asks
    // before its files join that folder's).
    virtual bool ListsFolder(const QString& name) const {
        (void)name;
        return false;
    }
    // The size and date the listing shows for a file of this name.
    virtual ExistingFileSide ListedFileSide(const QString& name) const {
        (void)name;
        return {};
    }
};
