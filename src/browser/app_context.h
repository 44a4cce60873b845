#pragma once

#include <QString>

#include "ftp/log_queue.h"
#include "options/app_settings.h"

class BackgroundTransfers;
class PasswordVault;

// What the application owns for the whole run, handed to every pane and dialog
// that needs it. Lives on the user-interface thread. The panes are not in it:
// each piece is handed the panes it works with (where the list is, and how its
// connection is protected, belong to the list view).
struct AppContext {
    AppContext(AppSettings& settings, LogQueue& log) : settings(settings), log(log) {}

    AppSettings& settings;
    LogQueue& log;

    // The transfer queue that every transfer the user starts goes to
    // (Download to..., Upload..., dropped files). The application always
    // has one; without one (a test that transfers nothing) nothing is queued.
    BackgroundTransfers* transfers = nullptr;
    // The desktop keyring, when one is on the session bus at start-up; null
    // when there is none (site passwords then stay in the catalogue).
    PasswordVault* passwordVault = nullptr;
};
