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

// The requests a connection runs, one after another, each with absolute
// remote paths: where the session happens to be is the connection's affair.
namespace request {

struct Connect {};
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

using Request = std::variant<request::Connect, request::ChangeDirectory, request::List, request::Stat,
                             request::MakeDirectory, request::RemoveDirectory, request::Delete,
                             request::Rename, request::SetPermissions, request::Transfer>;

// What a finished request gives: nothing but success (Connect, directory
// changes and edits), a listing, file facts, or how a transfer ended.
using RequestResult =
    std::variant<Result<void>, Result<Listing>, Result<RemoteFileFacts>, Result<TransferOutcome>>;

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
