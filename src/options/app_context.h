#pragma once

#include "ftp/ftp_session.h"
#include "options/app_settings.h"

// What the application owns for the whole run, handed to every pane and dialog
// that needs it. Lives on the user-interface thread.
struct AppContext {
    AppSettings& settings;
    CFtpSession& session;
    LogQueue& log;
    TransferStatus& status;

    // Shared user-interface state.
    bool quickConnect = false;      // the list shows a Quick Connect session
    bool cancelledConnect = false;  // the last connect was cancelled by the user
    int focusMarker = 0;            // 1: list view last had focus, 2: site tree
};
