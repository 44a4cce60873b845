#include "browser/location.h"

void Location::SetConnected(const QString& site, const QString& home, bool quick) {
    Become(RemotePlace{site, home, home, true, quick});
}

void Location::SetPath(const QString& path) {
    if (!place.connected) return;
    RemotePlace next = place;
    next.path = path;
    Become(next);
}

void Location::SetDisconnected() { Become(RemotePlace{}); }

void Location::Become(const RemotePlace& next) {
    if (next == place) return;
    place = next;
    emit changed(place);
}
