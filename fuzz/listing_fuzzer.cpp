// A listing file as a server might send it: counted with CountListing, read
// piece by piece and parsed with the session's ListingParser, then read again
// through NextEntry, which must give the same entries, each keeping the
// entry rules. Every entry name that the
// directory walk's name check accepts must name a directory entry inside the
// walk's local directory, on the real file system.
//
// Input: one byte (unused), then the listing file's bytes.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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
    const std::string listPath = fuzzing::ScratchDirectory() + "listing.ftp";
    fuzzing::WriteScratchFile(listPath, listing);

    LogQueue log;
    TransferStatus status;
    FtpSession session(log, status);
    const int lines = session.CountListing(listPath);

    std::vector<RemoteEntry> entries;
    std::FILE* file = std::fopen(listPath.c_str(), "r");
    FUZZ_CHECK(file != nullptr);
    ListingLineReader reader(file);
    ListingParser parser = session.Listing().NewParser();
    std::string_view piece;
    int pieces = 0;
    while (reader.Next(piece)) {
        ++pieces;
        FUZZ_CHECK(piece.size() <= kLongestListingLine + 1);
        // Only the last line of the file may lack its line end: no line is cut.
        FUZZ_CHECK(piece.back() == '\n' || std::feof(file));
        const std::string line(CutAtLineEnd(piece));
        RemoteEntry entry;
        if (parser.Read(line, entry)) {
            CheckEntry(line, entry);
            CheckWalkName(walkRoot, realWalkRoot, entry.name);
            entries.push_back(entry);
        }
    }
    std::fclose(file);
    FUZZ_CHECK(pieces == lines);

    FUZZ_CHECK(session.Listing().ReadEntriesFrom(listPath));
    RemoteEntry next;
    std::size_t read = 0;
    while (session.NextEntry(next) == ListingRead::Entry) {
        FUZZ_CHECK(read < entries.size());
        FUZZ_CHECK(SameEntry(next, entries[read]));
        ++read;
    }
    FUZZ_CHECK(read == entries.size());
    FUZZ_CHECK(!session.Listing().ReadingEntries());
    return 0;
}
