// A listing as a server might send it: split into lines and parsed with a
// ListingParser, then read again through the session's listing reader, which
// must give the same entries, each keeping the entry rules. Every entry name
// that the directory walk's name check accepts must name a directory entry
// inside the walk's local directory, on the real file system.
//
// Input: one byte (unused), then the listing's bytes.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "ftp/ftp_session.h"
#include "ftp/listing_parser.h"
#include "ftp/walk_paths.h"
#include "fuzz_support.h"

namespace {

bool SameEntry(const RemoteEntry& a, const RemoteEntry& b) {
    return a.name == b.name && a.linkTarget == b.linkTarget && a.size == b.size && a.kind == b.kind &&
           a.modified.shown == b.modified.shown && a.permissions == b.permissions && a.owner == b.owner &&
           a.group == b.group;
}

// What every entry of every form keeps to: a name that names one thing in
// the directory (not empty, not "." or "..", no "/", no NUL, no control
// character), a size that is no negative count, a time whose parts are in range.
void CheckEntry(std::string_view line, const RemoteEntry& entry) {
    FUZZ_CHECK(!line.empty());
    FUZZ_CHECK(!entry.name.empty() && entry.name != "." && entry.name != "..");
    for (char c : entry.name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte >= 0x20 && byte != 0x7F && c != '/');
    }
    FUZZ_CHECK(!entry.size || *entry.size >= 0);
    const RemoteTime& time = entry.modified;
    if (time.Known()) FUZZ_CHECK(time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31);
    if (time.precision >= TimePrecision::Minute) FUZZ_CHECK(time.hour <= 23 && time.minute <= 59);
}

// The walk joins an accepted name to its local directory: the result must be
// a direct child of that directory, lexically and once it exists on disk.
void CheckWalkName(const std::string& root, const std::string& realRoot, const std::string& name) {
    if (!IsSafeLocalName(name)) return;
    const std::string path = JoinLocalPath(root, name);
    const std::filesystem::path normal = std::filesystem::path(path).lexically_normal();
    FUZZ_CHECK(normal.parent_path() == std::filesystem::path(root).lexically_normal());
    FUZZ_CHECK(normal.filename() == name);
    if (mkdir(path.c_str(), 0700) != 0) return;  // a name the file system refuses creates nothing
    char resolved[PATH_MAX];
    const bool found = realpath(path.c_str(), resolved) != nullptr;
    rmdir(path.c_str());
    FUZZ_CHECK(found);
    FUZZ_CHECK(std::filesystem::path(resolved).parent_path() == realRoot);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    input.TakeByte();  // once the column count of an earlier listing; kept so the corpus stays valid
    const std::string listing = input.TakeRest();

    static const std::string walkRoot = [] {
        const std::string root = fuzzing::ScratchDirectory() + "walk";
        mkdir(root.c_str(), 0700);
        return root;
    }();
    static const std::string realWalkRoot = std::filesystem::canonical(walkRoot).string();
    LogQueue log;
    TransferStatus status;
    FtpSession session(log, status);

    std::vector<RemoteEntry> entries;
    ListingLines reader(listing);
    ControlChannel& control = session.Control();
    ListingParser parser(ListingParser::Form::List,
                         [&control](const std::string& line) { control.LogF("%s", line.c_str()); });
    std::string_view piece;
    while (reader.Next(piece)) {
        FUZZ_CHECK(piece.size() <= kLongestListingLine);
        // No line keeps its line end, and none is cut in two.
        FUZZ_CHECK(piece.find('\n') == std::string_view::npos);
        const std::string line(piece);
        RemoteEntry entry;
        if (parser.Read(line, entry)) {
            CheckEntry(line, entry);
            CheckWalkName(walkRoot, realWalkRoot, entry.name);
            entries.push_back(entry);
        }
    }
    parser.Finish();

    const Result<Listing> read = session.Lister().Read(listing, ListingParser::Form::List, "/");
    FUZZ_CHECK(read.Ok());
    FUZZ_CHECK(read.Value().skippedLines == reader.SkippedLines());
    FUZZ_CHECK(read.Value().entries.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) FUZZ_CHECK(SameEntry(read.Value().entries[i], entries[i]));
    return 0;
}
