#pragma once

class QWidget;
struct AppContext;

// The two upper panes of the main window: the site tree on the left and the
// remote file list on the right. The list pane implements RemoteListPane.
struct MainWindowPanes {
    QWidget* siteTree = nullptr;
    QWidget* listView = nullptr;
};

// Creates both panes as children of parent. Null members mean failure.
MainWindowPanes CreateMainWindowPanes(AppContext& context, QWidget* parent);

// How a frame gets its panes; tests hand the frame panes of their own.
using MainWindowPaneFactory = MainWindowPanes (*)(AppContext& context, QWidget* parent);
