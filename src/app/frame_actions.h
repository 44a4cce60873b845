#pragma once

#include <QStringView>

class QAction;
class QObject;

// The actions of the frame's menu bar and toolbar, each named by its
// objectName ("newSite", "refresh", "delete", ...): text, tooltip, icon and
// shortcuts. Whoever carries out a command connects to its action by name and
// keeps its enabled state current.
void CreateFrameActions(QObject* owner);

// The frame action of that name among owner's children; null when there is none.
QAction* FindFrameAction(const QObject* owner, QStringView name);
