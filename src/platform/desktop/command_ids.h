#pragma once

// Identifiers of the menu and toolbar commands. The numbers are the program's
// historical command ids; panes and the frame agree on them when routing.
enum CommandId : int {
    kCmdUpOneLevel = 32772,
    kCmdDisconnect = 32780,
    kCmdNewSite = 32785,
    kCmdRename = 32804,
    kCmdPermissions = 32806,
    kCmdNewGroup = 32807,
    kCmdSmallIcons = 32792,
    kCmdList = 32793,
    kCmdDetails = 32794,
    kCmdLargeIcons = 32795,
    kCmdOptions = 32796,
    kCmdRefresh = 32798,
    kCmdCreateDirectory = 32811,
    kCmdDelete = 32812,
    kCmdDeleteFromList = 32813,
    kCmdQuickConnect = 32814,
    kCmdProperties = 33005,
    // Commands of later versions, numbered after the historical ones.
    kCmdUpload = 33010,
    kCmdDownloadTo = 33011,
    kCmdFilter = 33012,
    kCmdExit = 57665,
    kCmdHelp = 57670,
};
