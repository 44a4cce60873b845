#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "ftp/control_channel.h"
#include "ftp/listing_parser.h"
#include "ftp/login.h"
#include "ftp/remote_entry.h"
#include "ftp/reply_class.h"

// How the last directory listing ended. A failed listing (refused, broken off,
// not stored) is never an empty directory: callers say so instead.
enum class ListingOutcome { Complete, Failed, Cancelled };

// What reading a listing gave: an entry, the end of the listing (after its
// last entry, or at once for an empty directory), or no listing to read.
enum class ListingRead { Entry, End, Failed, Cancelled };

// Directory listings: fetching one into a file (MLSD when the server offers
// MLST, LIST otherwise), counting its columns, and reading its entries back in
// the form that was stored. Owns the session's listing file, made once per
// session so that two programs listing at once never read each other's.
class Listings {
public:
    // How retrieving a listing ended: the reply, and whether the listing was
    // stopped at one of the connection's listing limits.
    struct Retrieved {
        ReplyClass reply = kNoReply;
        bool overLimit = false;
    };
    // Retrieves the output of a listing command into a local file (a silent
    // ASCII download over a data connection).
    using Retrieve = std::function<Retrieved(const std::string& command, const std::string& path)>;

    // connected is the session's connection flag.
    Listings(ControlChannel& control, const Login& login, const std::atomic<int>& connected,
             Retrieve retrieve);
    ~Listings();
    Listings(const Listings&) = delete;
    Listings& operator=(const Listings&) = delete;

    ReplyClass ListToFile(const std::string& command, const std::string& path);
    // Lists the current directory into path: MLSD when the server offers MLST,
    // LIST otherwise or when the server refuses MLSD. Entries read afterwards
    // (NextEntry, ParseListingLine) are read in the form that was stored.
    ReplyClass ListDirectoryToFile(const std::string& path);
    // Lines in the listing file at path.
    int CountListing(const std::string& path);
    // A parser for the form of the last listing, logging what it cannot read.
    ListingParser NewParser() const;
    void LogSkippedListingLines(std::size_t count);
    // A new connection may reach a server that knows MLSD.
    void ForgetServer() { mlsdUnknown = false; }

    // --- the session's listing file ---
    // Lists the current directory into the session's listing file (worker).
    void StoreDirectoryListing();
    void MarkCancelled() { lastListing = ListingOutcome::Cancelled; }
    // After StoreDirectoryListing: opens the stored listing and reads its
    // first entry; Failed or Cancelled (with a log line) when there is no
    // listing to read.
    ListingRead FirstStoredEntry(RemoteEntry& entry);
    // Reads entries from the listing file at path from now on.
    bool ReadEntriesFrom(const std::string& path);
    // The next entry of the file being read; End closes it, and so does a stop
    // (Cancelled).
    ListingRead NextEntry(RemoteEntry& entry);
    bool ReadingEntries() const { return listingFile != nullptr; }

    ListingOutcome LastListing() const { return lastListing; }
    const std::string& StoragePath() const { return storagePath; }
    // Stores listings at path instead of the file made for the session.
    void SetStoragePath(const std::string& path);

private:
    void CloseListingFile();

    ControlChannel& control;
    const Login& login;
    const std::atomic<int>& connected;
    Retrieve retrieve;
    std::string storagePath;  // the session's listing file
    std::FILE* listingFile = nullptr;
    ListingParser parser;  // reads the file being read
    ListingOutcome lastListing = ListingOutcome::Complete;
    bool mlsdUnknown = false;    // the server refused MLSD although it offered MLST
    bool listingIsMlsd = false;  // the last listing file holds MLSD lines
    bool lastOverLimit = false;  // the last listing was stopped at the connection's listing limits
};
