#pragma once

#include <string>

// One transfer over a data connection, as the session asks for it: which way
// it goes, the names at both ends and the type. The command that starts it on
// the server is written from this only when it is sent (TransferCommandText),
// so nothing has to read a verb or a name back out of a command line.
struct TransferRequest {
    enum class Direction { Download, Upload, Listing };

    Direction direction = Direction::Download;
    std::string remoteName;  // the file on the server (Download, Upload)
    std::string listing;     // the listing command: "LIST", "MLSD" (Listing)
    std::string localPath;   // the file written or read here
    char type = 'I';         // 'A', 'I' or 'L' (TYPE L 8)
    bool append = false;     // an upload adds to the remote file's end (APPE) instead of replacing it

    // A file going the given way (Download or Upload).
    static TransferRequest ForFile(Direction direction, std::string remoteName, std::string localPath,
                                   char type);
    // A listing's output, read as text whatever the connection's transfer mode.
    static TransferRequest Listing(std::string command);

    bool IsDownload() const { return direction == Direction::Download; }
    bool IsUpload() const { return direction == Direction::Upload; }
    bool IsListing() const { return direction == Direction::Listing; }
};

// The command line that starts the transfer: "RETR name", "STOR name",
// "APPE name", or the listing command.
std::string TransferCommandText(const TransferRequest& request);
