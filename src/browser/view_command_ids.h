#pragma once

// Commands that only the list view's context menus carry. The frame's command
// ids are shared by every pane.
enum ViewCommandId : int {
    kCmdOpenItem = 3402,
    kCmdOpenConnection = 32776,  // the loaded popup's only entry; no handler, shown disabled
    kCmdConnectTo = 32779,
    kCmdDeleteSite = 33004,
};
