#pragma once

#include <string>

// The twenty-three program settings, loaded at start-up, edited by the options sheet
// and the main frame's close handler, and written back at shutdown.
// Defaults are those of a first run; defaultDownloadDirectory's default is the
// system temporary directory with a trailing "/", filled in at load time.
struct AppSettings {
    // ProgramOptions
    int port = 21;
    int receiveBytes = 1024;
    int sendBytes = 512;
    int retry = 60;            // "Time Out", seconds; bounds every network wait (0 = none)
    std::string email;
    int defaultView = 0;       // 0 large icons, 1 details, 2 small icons, 3 list
    int fireWallOn = 0;
    int fireMode = 0;
    int firePort = 0;
    std::string fireHost;
    std::string fireUserId;
    std::string firePassword;
    // Where site passwords are kept when a desktop keyring is there: -1 not
    // asked yet, 0 the user kept them in the catalogue, 1 in the keyring.
    int passwordsInKeyring = -1;
    // TransOptions
    int transferMode = 'F';
    int saveOnDoubleClick = 1;
    int viewOnDoubleClick = 1;
    std::string defaultDownloadDirectory;
    int passiveMode = 1;  // data connections of quick connect and sites that take the default
    int keepModificationTimes = 1;  // downloaded files get the server's modification time
    int queueConnections = 2;  // connections of the transfer queue besides the main one, 1..10
    // Listings: bounds on one directory listing (the command line reads the same keys)
    int listingMostEntries = 5'000'000;
    int listingMostMegabytes = 2048;
    int listingTimeLimit = 300;  // seconds for the whole listing; 0 = none
    // WndProperties
    int left = 0;
    int right = 530;
    int top = 0;
    int bottom = 530;
};
