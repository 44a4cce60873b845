#pragma once

#include <QString>

// What the site tree asks of the remote list view. The view implements it; the
// tree never sees the view's class.
class SiteListPort {
public:
    virtual ~SiteListPort() = default;

    // Makes the first list item labelled `name` the view's current item.
    virtual void FindItemByName(const QString& name) = 0;
    // Opens the tree's current node: a group's sites, a site's connection, a
    // directory of the site above it.
    virtual void OpenItemFromTree() = 0;
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
