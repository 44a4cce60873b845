#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ftp/listing.h"
#include "ftp/remote_file_facts.h"
#include "ftp/result.h"
#include "ftp/transfer_outcome.h"
#include "ftp/transfer_request.h"
#include "ftp/tree_walker.h"

// The requests a connection runs, one after another, each with absolute
// remote paths: where the session happens to be is the connection's affair.
namespace request {

// Logs in (every request does when it needs to) and says where the server
// put the connection and how it is protected.
struct Connect {};
// Ends the session politely (QUIT); the next request logs in again.
struct Quit {};
struct ChangeDirectory {
    std::string path;
};
// Lists a directory into memory.
struct List {
    std::string path;
};
// The size and modification time of a remote file.
struct Stat {
    std::string path;
};
struct MakeDirectory {
    std::string path;
};
struct RemoveDirectory {
    std::string path;
};
struct Delete {
    std::string path;
};
struct Rename {
    std::string from;
    std::string to;
};
struct SetPermissions {
    std::string path;
    std::string mode;  // octal, e.g. "644"
};
// Counts what a remote folder holds, every level of it, changing nothing.
struct SurveyTree {
    std::string path;
};
// Deletes a remote folder with everything in it (a link: the link alone).
struct RemoveTree {
    std::string path;
};
// A remote folder with everything below it, into the local folder localPath
// (made when missing; an existing one is added to).
struct DownloadTree {
    std::string remotePath;
    std::string localPath;
};
// One file, either way; the type is 'A' or 'I'. resume continues the
// target (a kept partial download, or the remote file of an upload).
struct Transfer {
    TransferRequest::Direction direction = TransferRequest::Direction::Download;
    std::string remotePath;
    std::string localPath;
    char type = 'I';
    bool resume = false;
};

}  // namespace request

using Request = std::variant<request::Connect, request::Quit, request::ChangeDirectory, request::List,
                             request::Stat, request::MakeDirectory, request::RemoveDirectory, request::Delete,
                             request::Rename, request::SetPermissions, request::SurveyTree,
                             request::RemoveTree, request::DownloadTree, request::Transfer>;

// Where a log-in put the connection and how it is protected.
struct LoginFacts {
    std::string home;  // the login directory; empty when the server will not say
    std::string protocol;  // the TLS version in use; empty: not encrypted
    bool dataEncrypted = false;
    std::string fingerprintToStore;  // a certificate the user trusted just now
};

// What a remote folder holds (SurveyTree).
struct TreeContents {
    int files = 0;    // files and links, every level
    int folders = 0;  // folders below the surveyed one
    bool isLink = false;  // the name is a link: only the link itself goes
};

// What a folder removal left behind: each item's path and the server's words.
struct TreeLeftovers {
    std::vector<std::string> items;
};

// What a finished request gives: nothing but success (directory changes and
// edits), the log-in's facts, a listing, file facts, a folder's contents,
// what a removal left, or how a transfer ended.
using RequestResult = std::variant<Result<void>, Result<LoginFacts>, Result<Listing>, Result<RemoteFileFacts>,
                                   Result<TreeContents>, Result<TreeLeftovers>, Result<WalkResult>,
                                   Result<TransferOutcome>>;

// The connection's reports, in the order they happened. A cancelled request
// finishes with a Result<void> whose error is Cancelled, whatever it asked for.
struct ConnectionEvent {
    std::uint64_t request = 0;
    bool finished = false;     // false: a progress report of a running transfer
    std::int64_t doneBytes = 0;
    std::int64_t totalBytes = -1;  // -1: unknown
    RequestResult result;      // set when finished
};

// Whether a finished request succeeded, and its error otherwise.
const Error& FailureOf(const RequestResult& result);
