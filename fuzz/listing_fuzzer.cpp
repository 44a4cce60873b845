// A listing file as a server might send it: counted with CountListing, read
// piece by piece and parsed with ParseListingLine, then read again through
// NextEntry, which must give the same entries. Every entry name that the
// directory walk's name check accepts must name a directory entry inside the
// walk's local directory, on the real file system.
//
// Input: one byte for the column count an earlier listing left, then the
// listing file's bytes.
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
    return a.name == b.name && a.sizeText == b.sizeText && a.dateText == b.dateText &&
           a.permissions == b.permissions && a.links == b.links && a.owner == b.owner && a.group == b.group &&
           a.isFile == b.isFile;
}

bool IsToken(const std::string& text) { return text.find(' ') == std::string::npos; }

// A DOS-form line starts with its date digits; its entry has only the type
// letter for permissions and no link, owner or group columns.
void CheckDosEntry(std::string_view line, const RemoteEntry& entry) {
    FUZZ_CHECK(entry.permissions == (entry.isFile ? "-" : "d"));
    FUZZ_CHECK(entry.links.empty() && entry.owner.empty() && entry.group.empty());
    FUZZ_CHECK(entry.isFile ? !entry.sizeText.empty() : entry.sizeText.empty());
    FUZZ_CHECK(!entry.name.empty() && line.substr(0, entry.dateText.size()) == entry.dateText);
}

void CheckEntry(std::string_view line, const RemoteEntry& entry) {
    FUZZ_CHECK(!line.empty());
    if (line[0] >= '0' && line[0] <= '9') {
        CheckDosEntry(line, entry);
    } else {
        FUZZ_CHECK(line[0] == '-' || line[0] == 'd' || line[0] == 'l');
        FUZZ_CHECK(entry.isFile == (line[0] == '-' ? 1 : 0));
        FUZZ_CHECK(entry.permissions == line.substr(0, 10));
    }
    FUZZ_CHECK(IsToken(entry.links) && IsToken(entry.owner) && IsToken(entry.group) && IsToken(entry.sizeText));
    FUZZ_CHECK(line.find(entry.dateText) != std::string_view::npos);
    // The name is the end of the line, never a line end of its own.
    FUZZ_CHECK(line.size() >= entry.name.size() && line.substr(line.size() - entry.name.size()) == entry.name);
    FUZZ_CHECK(entry.name.find('\n') == std::string::npos);
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
    const int earlierColumnCount = input.TakeByte() % 12;
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
    session.Listing().SetColumnCount(earlierColumnCount);
    const int lines = session.CountListing(listPath);
    const int countedColumns = session.Listing().ColumnCount();

    std::vector<RemoteEntry> entries;
    std::string firstLine;  // the first line the reader gives (an over-long one is skipped)
    std::FILE* file = std::fopen(listPath.c_str(), "r");
    FUZZ_CHECK(file != nullptr);
    ListingLineReader reader(file);
    std::string_view piece;
    int pieces = 0;
    while (reader.Next(piece)) {
        if (++pieces == 1) firstLine.assign(piece);
        FUZZ_CHECK(piece.size() <= kLongestListingLine + 1);
        // Only the last line of the file may lack its line end: no line is cut.
        FUZZ_CHECK(piece.back() == '\n' || std::feof(file));
        const std::string line(CutAtLineEnd(piece));
        RemoteEntry entry;
        if (session.Listing().ParseListingLine(line, entry)) {
            CheckEntry(line, entry);
            CheckWalkName(walkRoot, realWalkRoot, entry.name);
            entries.push_back(entry);
        }
    }
    std::fclose(file);
    FUZZ_CHECK(pieces == lines);
    // The columns come from the second line, or from a lone entry line (servers
    // without a total line); any other listing leaves the earlier count. "Lone"
    // and "first" are as the reader sees them: it passes over a line too long
    // to be a listing line, so the first line read need not start the file.
    const bool loneEntry = lines == 1 && std::string_view("-dl").find(firstLine[0]) != std::string_view::npos;
    if (lines < 2 && !loneEntry) FUZZ_CHECK(countedColumns == earlierColumnCount);

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
