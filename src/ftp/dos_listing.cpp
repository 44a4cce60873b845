// MS-DOS style listings (IIS, other Windows servers) and OS/2's.
#include "ftp/listing_families.h"

namespace {

// IIS lines out the names at column 39 ("MM-DD-YY  HH:MMAM" then a padded
// size or <DIR>), which is how a name that begins with blanks keeps them.
constexpr std::size_t kIisNameColumn = 39;

std::size_t NameStart(const ListingTokens& tokens, std::size_t after, bool iis) {
    const std::string_view line = tokens.Line();
    const bool iisColumns = iis && tokens[0].begin == 0 && tokens[0].text.size() == 8 &&
                            tokens[1].begin == 10 && tokens[1].end == 17 &&
                            tokens[after].end < kIisNameColumn && line.size() > kIisNameColumn;
    if (iisColumns && line.find_first_not_of(' ', tokens[after].end) >= kIisNameColumn) return kIisNameColumn;
    std::size_t start = tokens[after].end;
    while (start < line.size() && line[start] == ' ') ++start;
    return start;
}

void TakeDateAndTime(const ListingTokens& tokens, std::size_t date, std::size_t time, RemoteEntry& entry) {
    entry.modified.shown.assign(TokenSpan(tokens, date, time));
}

}  // namespace

bool ParseDosLine(const ListingTokens& tokens, RemoteEntry& entry) {
    if (tokens.Count() < 4) return false;
    const std::string_view date = tokens[0].text;
    if (date.find('.') != std::string_view::npos || !ParseNumericDate(date, entry.modified)) return false;
    if (!ParseClockTime(tokens[1].text, entry.modified, true)) return false;
    const std::string_view sizeOrType = tokens[2].text;
    if (sizeOrType == "<DIR>") {
        entry.kind = EntryKind::Directory;
    } else if (sizeOrType == "<JUNCTION>" || sizeOrType == "<SYMLINKD>" || sizeOrType == "<SYMLINK>") {
        entry.kind = EntryKind::Link;
    } else if ((entry.size = ParseListedSize(sizeOrType)) &&
               IsDigits(sizeOrType.substr(sizeOrType.size() - 1))) {
        entry.kind = EntryKind::File;
    } else {
        return false;
    }
    entry.permissions = entry.kind == EntryKind::Directory ? "d" : entry.kind == EntryKind::Link ? "l" : "-";
    TakeDateAndTime(tokens, 0, 1, entry);
    std::string_view name = tokens.Line().substr(NameStart(tokens, 2, true));
    // "name [target]" for links, as dir shows them.
    if (entry.kind == EntryKind::Link && name.size() > 2 && name.back() == ']') {
        const std::size_t open = name.rfind(" [");
        if (open != std::string_view::npos) {
            entry.linkTarget.assign(name.substr(open + 2, name.size() - open - 3));
            name = name.substr(0, open);
        }
    }
    entry.name.assign(name);
    return true;
}

bool ParseOs2Line(const ListingTokens& tokens, RemoteEntry& entry) {
    if (tokens.Count() < 4 || !IsDigits(tokens[0].text)) return false;
    std::size_t date = 1;
    bool directory = false;
    // Attribute columns ("A", "R", "DIR") stand between the size and the date.
    for (; date < tokens.Count() && date <= 3; ++date) {
        const std::string_view attribute = tokens[date].text;
        if (ParseNumericDate(attribute, entry.modified)) break;
        if (attribute.size() > 3 || IsDigits(attribute.substr(0, 1))) return false;
        directory = directory || attribute == "DIR";
    }
    if (date > 3 || date + 2 >= tokens.Count()) return false;
    if (!ParseClockTime(tokens[date + 1].text, entry.modified)) return false;
    entry.kind = directory ? EntryKind::Directory : EntryKind::File;
    entry.permissions = directory ? "d" : "-";
    if (!directory) entry.size = ParseNumber(tokens[0].text);
    TakeDateAndTime(tokens, date, date + 1, entry);
    entry.name.assign(tokens.Line().substr(NameStart(tokens, date + 1, false)));
    return !entry.name.empty();
}
