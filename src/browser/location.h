#pragma once

#include <QObject>

#include "sites/remote_place.h"

// The one owner of where the remote list is: the site, its login directory,
// the current directory, whether a session is open and whether it is a quick
// connection. The list view sets it once the server has confirmed a login, a
// directory change or the end of the session; the site tree and the location
// bar follow its `changed` signal.
class Location : public QObject {
    Q_OBJECT

public:
    const RemotePlace& Place() const { return place; }
    const QString& Site() const { return place.site; }
    const QString& Home() const { return place.home; }
    const QString& Path() const { return place.path; }
    bool Connected() const { return place.connected; }
    bool QuickConnection() const { return place.quick; }
    // Whether path is where "up" cannot go: the login directory or the root.
    bool AtTop() const { return place.path == place.home || place.path == QStringLiteral("/"); }

    // Logged in to site, in its login directory home (empty when unknown).
    void SetConnected(const QString& site, const QString& home, bool quick);
    // The server accepted a change to path.
    void SetPath(const QString& path);
    void SetDisconnected();

signals:
    void changed(const RemotePlace& place);

private:
    void Become(const RemotePlace& next);

    RemotePlace place;
};
