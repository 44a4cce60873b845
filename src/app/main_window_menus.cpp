// The frame's menu bar and toolbar: one action per command, shared by both.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/main_window.h"
#include "platform/desktop/app_icons.h"
#include "platform/desktop/command_ids.h"

namespace {

struct CommandLook {
    int commandId;
    const char* text;       // menu text, also the action's name
    const char* toolTip;    // toolbar tooltip; null when not on the toolbar
    const char* themeIcon;  // desktop icon theme name; null for our own only
    const char* ownIcon;    // our picture's resource name; null for none
    const char* keys;       // shortcuts in portable text, "; " between two; null for none
};

// The keys follow the desktop's conventions (Ctrl+F find, F5 refresh, F2
// rename, Alt+Up to the parent); none is a standard key of another meaning.
constexpr CommandLook kCommandLooks[] = {
    {kCmdNewGroup, "New Group...", nullptr, nullptr, nullptr, nullptr},
    {kCmdNewSite, "New Site...", "New Profile", "document-new", "new-site", "Ctrl+N"},
    {kCmdQuickConnect, "Quick Connect...", nullptr, nullptr, nullptr, "Ctrl+K"},
    {kCmdExit, "E&xit", nullptr, nullptr, nullptr, nullptr},
    {kCmdCreateDirectory, "Create Directory...", nullptr, nullptr, nullptr, "Ctrl+Shift+N"},
    {kCmdUpload, "&Upload...", nullptr, nullptr, nullptr, nullptr},
    {kCmdDownloadTo, "Download &To...", nullptr, nullptr, nullptr, nullptr},
    {kCmdDelete, "&Delete", "Delete", "edit-delete", "delete", "Del"},
    {kCmdProperties, "&Properties...", nullptr, nullptr, nullptr, nullptr},
    {kCmdRename, "Rename...", nullptr, nullptr, nullptr, "F2"},
    {kCmdPermissions, "Permissions...", nullptr, nullptr, nullptr, nullptr},
    {kCmdLargeIcons, "&Large Icons", "Large Icons", "view-list-icons", "large-icons", nullptr},
    {kCmdSmallIcons, "Small Icons", "Small Icons", nullptr, "small-icons", nullptr},
    {kCmdList, "L&ist", "List View", "view-list-text", "list", nullptr},
    {kCmdDetails, "Details", "Detail", "view-list-details", "details", nullptr},
    {kCmdFilter, "&Filter...", nullptr, nullptr, nullptr, "Ctrl+F"},
    {kCmdOptions, "&Options...", nullptr, nullptr, nullptr, "Ctrl+,"},
    {kCmdRefresh, "Refresh", "Refresh Directory.", "view-refresh", "refresh", "F5"},
    {kCmdUpOneLevel, "Up One Level", "Up One Level", "go-up", "up-one-level", "Alt+Up; Backspace"},
    {kCmdDisconnect, "Disconnect", "Disconnect", "network-offline", "disconnect", "Ctrl+Shift+D"},
    {kCmdHelp, "Help...", nullptr, nullptr, nullptr, nullptr},
};

constexpr int kSeparator = 0;

// Menus and toolbar slots in order; kSeparator marks a separator.
constexpr int kFileMenu[] = {kCmdNewGroup, kCmdNewSite, kSeparator, kCmdQuickConnect, kSeparator, kCmdExit};
constexpr int kEditMenu[] = {kCmdCreateDirectory, kCmdDelete,     kSeparator, kCmdUpload, kCmdDownloadTo,
                             kSeparator,          kCmdProperties, kCmdRename, kCmdPermissions};
constexpr int kViewMenu[] = {kCmdLargeIcons, kCmdSmallIcons, kCmdList,   kCmdDetails, kSeparator,
                             kCmdOptions,    kSeparator,     kCmdFilter, kCmdRefresh};
constexpr int kHelpMenu[] = {kCmdHelp};
constexpr int kToolBarSlots[] = {kCmdNewSite,    kSeparator,     kCmdUpOneLevel, kCmdRefresh,
                                 kCmdDisconnect, kSeparator,     kCmdDelete,     kSeparator,
                                 kCmdLargeIcons, kCmdSmallIcons, kCmdList,       kCmdDetails};
constexpr int kViewModeCommands[] = {kCmdLargeIcons, kCmdSmallIcons, kCmdList, kCmdDetails};

}  // namespace

void MainWindow::CreateMenusAndToolBar() {
    for (const CommandLook& look : kCommandLooks) {
        auto* action = new QAction(QString::fromLatin1(look.text), this);
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
        router.BindAction(look.commandId, action);
    }

    auto* viewModes = new QActionGroup(this);
    viewModes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int commandId : kViewModeCommands) {
        QAction* action = router.Action(commandId);
        action->setCheckable(true);
        viewModes->addAction(action);
    }

    const struct {
        const char* title;
        const int* entries;
        std::size_t count;
    } menus[] = {{"&File", kFileMenu, std::size(kFileMenu)},
                 {"&Edit", kEditMenu, std::size(kEditMenu)},
                 {"&View", kViewMenu, std::size(kViewMenu)},
                 {"&Help", kHelpMenu, std::size(kHelpMenu)}};
    for (const auto& entry : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(entry.title));
        for (std::size_t i = 0; i < entry.count; ++i) {
            if (entry.entries[i] == kSeparator) {
                menu->addSeparator();
            } else {
                menu->addAction(router.Action(entry.entries[i]));
            }
        }
        router.WatchMenu(menu);
    }

    toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar->setObjectName(QStringLiteral("mainToolBar"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar->setFixedHeight(kToolBarHeight);
    // Docked on a side the bar is as wide as it was high.
    connect(toolBar, &QToolBar::orientationChanged, toolBar, [bar = toolBar](Qt::Orientation orientation) {
        bar->setMinimumSize(0, 0);
        bar->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (orientation == Qt::Horizontal) {
            bar->setFixedHeight(kToolBarHeight);
        } else {
            bar->setFixedWidth(kToolBarHeight);
        }
    });
    for (int commandId : kToolBarSlots) {
        if (commandId == kSeparator) {
            toolBar->addSeparator();
            continue;
        }
        QAction* action = router.Action(commandId);
        toolBar->addAction(action);
        if (QWidget* button = toolBar->widgetForAction(action)) button->setAccessibleName(action->toolTip());
    }
    addToolBar(Qt::TopToolBarArea, toolBar);
}

QAction* MainWindow::ViewModeAction(ListViewMode mode) const {
    switch (mode) {
        case ListViewMode::LargeIcons:
            return router.Action(kCmdLargeIcons);
        case ListViewMode::SmallIcons:
            return router.Action(kCmdSmallIcons);
        case ListViewMode::List:
            return router.Action(kCmdList);
        case ListViewMode::Details:
            return router.Action(kCmdDetails);
    }
    return nullptr;
}
