#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ftp/control_channel.h"
#include "ftp/listing.h"
#include "ftp/listing_parser.h"
#include "ftp/login.h"
#include "ftp/remote_entry.h"
#include "ftp/reply_class.h"
#include "ftp/result.h"

// What reading a held listing gave: an entry, the end of the listing (after
// its last entry, or at once for an empty directory), or no listing to read.
enum class ListingRead { Entry, End, Failed, Cancelled };

// Directory listings, read straight from the data connection into memory:
// MLSD when the server offers MLST, LIST otherwise, each within the
// connection's listing limits. A failed listing (refused, broken off, past a
// limit) is never an empty directory: it comes back as an error.
class DirectoryLister {
public:
    // The text a listing command sent over its data connection, and how
    // receiving it ended (overLimit: stopped at one of the listing limits).
    struct Received {
        ReplyClass reply = kNoReply;
        bool overLimit = false;
        std::string text;
    };
    using Receive = std::function<Received(const std::string& command)>;

    // connected is the session's connection flag.
    DirectoryLister(ControlChannel& control, const Login& login, const std::atomic<int>& connected, Receive receive);
    DirectoryLister(const DirectoryLister&) = delete;
    DirectoryLister& operator=(const DirectoryLister&) = delete;

    // Lists the current directory, which path names in the result. Logs
    // "Could not get the directory listing." when it fails for another
    // reason than a stop.
    Result<Listing> List(const std::string& path);
    // Lists the current directory with LIST alone: MLSD shows a link as what
    // it leads to, and whoever deletes a tree must see links as links.
    Result<Listing> ListLinksAsLinks(const std::string& path);
    // Reads the text of a listing in the given form; a stop ends the reading
    // (a listing can hold millions of lines) as cancelled.
    Result<Listing> Read(std::string_view text, ListingParser::Form form, const std::string& path);
    // A new connection may reach a server that knows MLSD.
    void ForgetServer() { mlsdUnknown = false; }

    // --- kept for the desktop list view only, which reads entries one by one ---
    // Holds a listing and gives its first entry; Failed or Cancelled when
    // there is none to read.
    ListingRead HoldAndReadFirst(Result<Listing> listing, RemoteEntry& entry);
    // The next entry of the held listing; a stop ends it (Cancelled).
    ListingRead NextEntry(RemoteEntry& entry);

private:
    Result<Listing> Fetch(const std::string& command, ListingParser::Form form, const std::string& path);
    Error Failure() const;

    ControlChannel& control;
    const Login& login;
    const std::atomic<int>& connected;
    Receive receive;
    bool mlsdUnknown = false;  // the server refused MLSD although it offered MLST
    Listing held;              // the list view's listing, read one entry at a time
    std::size_t nextHeld = 0;
};
