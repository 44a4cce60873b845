#pragma once

#include <QString>

// What the site tree asks of the remote list view when it edits the
// catalogue (opening sites and folders goes by the tree's signals). The view implements it; the
// tree never sees the view's class.
class SiteListPort {
public:
    virtual ~SiteListPort() = default;

    // Gives the list item labelled `oldName`, if any, the label `newName`.
    virtual void SetItemLabel(const QString& oldName, const QString& newName) = 0;
    // Renames the directory listed as `oldName` on the server; true on success.
    virtual bool RenameDirectoryByName(const QString& oldName, const QString& newName) = 0;
    // Ends the session, first asking the user when `ask` is set.
    virtual void Disconnect(bool ask) = 0;

    // The session's state, read before a site is deleted.
    virtual bool SessionConnected() const = 0;
    virtual QString SessionHost() const = 0;
};
