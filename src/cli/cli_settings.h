#pragma once

#include <string>

#include "ftp/connection_settings.h"

// The program settings the command-line front end shares with the desktop
// program, read from $XDG_CONFIG_HOME/Corvane/Quillmoor.ini (a plain INI
// read; the file is never written here).
struct CliSettings {
    std::string email;        // [ProgramOptions] e-mail
    int timeoutSeconds = 60;  // [ProgramOptions] Retry, shown as "Time Out:"
    char transferMode = 'F';  // [TransOptions] Transfer Mode (a character code)
    bool passiveMode = true;  // [TransOptions] Passive Mode (0 = active)
    bool keepModificationTimes = true;  // [TransOptions] Keep Modification Times
    // [Listings] Most Entries, Most Megabytes, Time Limit (seconds, 0 = none):
    // the bounds on one directory listing; each must be above 0 to count.
    ListingLimits listingLimits;
};

// The settings file's path for the current environment.
std::string CliSettingsPath();

// Reads the settings at path; a missing file or key keeps the default.
CliSettings LoadCliSettings(const std::string& path);
