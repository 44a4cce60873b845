// The frame's menu bar and toolbar, built from the frame's actions: one action
// per command, shared by both.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/frame_actions.h"
#include "app/main_window.h"

namespace {

constexpr const char* kSeparator = nullptr;

// Menus and toolbar slots in order, by action name; kSeparator marks a separator.
constexpr const char* kFileMenu[] = {"newGroup", "newSite", kSeparator, "quickConnect", kSeparator, "exit"};
constexpr const char* kEditMenu[] = {"createDirectory", "delete",     kSeparator, "upload",     "downloadTo",
                                     kSeparator,        "properties", "rename",   "permissions"};
constexpr const char* kViewMenu[] = {"largeIcons", "smallIcons", "list",   "details", kSeparator,
                                     "options",    kSeparator,   "filter", "refresh"};
constexpr const char* kHelpMenu[] = {"help"};
constexpr const char* kToolBarSlots[] = {"newSite",    kSeparator,   "upOneLevel", "refresh",
                                         "disconnect", kSeparator,   "delete",     kSeparator,
                                         "largeIcons", "smallIcons", "list",       "details"};

}  // namespace

void MainWindow::CreateMenusAndToolBar() {
    CreateFrameActions(this);

    const struct {
        const char* title;
        const char* const* entries;
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
                menu->addAction(Action(QString::fromLatin1(entry.entries[i])));
            }
        }
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
    for (const char* name : kToolBarSlots) {
        if (name == kSeparator) {
            toolBar->addSeparator();
            continue;
        }
        QAction* action = Action(QString::fromLatin1(name));
        toolBar->addAction(action);
        if (QWidget* button = toolBar->widgetForAction(action)) button->setAccessibleName(action->toolTip());
    }
    addToolBar(Qt::TopToolBarArea, toolBar);
}

QAction* MainWindow::Action(QStringView name) const { return FindFrameAction(this, name); }

QAction* MainWindow::ViewModeAction(ListViewMode mode) const {
    switch (mode) {
        case ListViewMode::LargeIcons:
            return Action(u"largeIcons");
        case ListViewMode::SmallIcons:
            return Action(u"smallIcons");
        case ListViewMode::List:
            return Action(u"list");
        case ListViewMode::Details:
            return Action(u"details");
    }
    return nullptr;
}
