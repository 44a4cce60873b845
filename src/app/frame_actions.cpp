#include "app/frame_actions.h"

#include <QAction>
#include <QActionGroup>

#include "platform/desktop/app_icons.h"

namespace {

struct ActionLook {
    const char* name;       // the action's objectName
    const char* text;       // menu text
    const char* toolTip;    // toolbar tooltip; null when not on the toolbar
    const char* themeIcon;  // desktop icon theme name; null for our own only
    const char* ownIcon;    // our picture's resource name; null for none
    const char* keys;       // shortcuts in portable text, "; " between two; null for none
};

// The keys follow the desktop's conventions (Ctrl+F find, F5 refresh, F2
// rename, Alt+Up to the parent); none is a standard key of another meaning.
constexpr ActionLook kActionLooks[] = {
    {"newGroup", "New Group...", nullptr, nullptr, nullptr, nullptr},
    {"newSite", "New Site...", "New Profile", "document-new", "new-site", "Ctrl+N"},
    {"quickConnect", "Quick Connect...", nullptr, nullptr, nullptr, "Ctrl+K"},
    {"exit", "E&xit", nullptr, nullptr, nullptr, nullptr},
    {"createDirectory", "Create Directory...", nullptr, nullptr, nullptr, "Ctrl+Shift+N"},
    {"upload", "&Upload...", nullptr, nullptr, nullptr, nullptr},
    {"downloadTo", "Download &To...", nullptr, nullptr, nullptr, nullptr},
    {"delete", "&Delete", "Delete", "edit-delete", "delete", "Del"},
    {"properties", "&Properties...", nullptr, nullptr, nullptr, nullptr},
    {"rename", "Rename...", nullptr, nullptr, nullptr, "F2"},
    {"permissions", "Permissions...", nullptr, nullptr, nullptr, nullptr},
    {"largeIcons", "&Large Icons", "Large Icons", "view-list-icons", "large-icons", nullptr},
    {"smallIcons", "Small Icons", "Small Icons", nullptr, "small-icons", nullptr},
    {"list", "L&ist", "List View", "view-list-text", "list", nullptr},
    {"details", "Details", "Detail", "view-list-details", "details", nullptr},
    {"filter", "&Filter...", nullptr, nullptr, nullptr, "Ctrl+F"},
    {"options", "&Options...", nullptr, nullptr, nullptr, "Ctrl+,"},
    {"refresh", "Refresh", "Refresh Directory.", "view-refresh", "refresh", "F5"},
    {"upOneLevel", "Up One Level", "Up One Level", "go-up", "up-one-level", "Alt+Up; Backspace"},
    {"disconnect", "Disconnect", "Disconnect", "network-offline", "disconnect", "Ctrl+Shift+D"},
    {"help", "Help...", nullptr, nullptr, nullptr, nullptr},
};

constexpr const char* kViewModeActions[] = {"largeIcons", "smallIcons", "list", "details"};

}  // namespace

void CreateFrameActions(QObject* owner) {
    for (const ActionLook& look : kActionLooks) {
        auto* action = new QAction(QString::fromLatin1(look.text), owner);
        action->setObjectName(QString::fromLatin1(look.name));
        if (look.toolTip) action->setToolTip(QString::fromLatin1(look.toolTip));
        if (look.keys) {
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(look.keys)));
            // A held key runs its command once: a held Backspace would
            // otherwise climb to the catalogue without a pause.
            action->setAutoRepeat(false);
        }
        if (look.ownIcon) {
            action->setIcon(ThemedIcon(look.themeIcon ? QString::fromLatin1(look.themeIcon) : QString(),
                                       QString::fromLatin1(look.ownIcon)));
        }
    }
    auto* viewModes = new QActionGroup(owner);
    viewModes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const char* name : kViewModeActions) {
        QAction* action = FindFrameAction(owner, QString::fromLatin1(name));
        action->setCheckable(true);
        viewModes->addAction(action);
    }
}

QAction* FindFrameAction(const QObject* owner, QStringView name) {
    return owner->findChild<QAction*>(name.toString(), Qt::FindDirectChildrenOnly);
}
