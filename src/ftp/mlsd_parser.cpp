#include "ftp/mlsd_parser.h"

#include <strings.h>

#include <string>

#include "ftp/listing_parser.h"
#include "ftp/listing_text.h"

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The facts of one line, as far as the listing shows them.
struct MlsdFacts {
    std::string_view type;
    std::string_view unixType;  // OS.unix: "symlink", "slink:target", "chr", ...
    std::string_view mode;
    std::string_view size;
    std::string_view modify;
    std::string_view owner;
    std::string_view group;
    std::string_view unique;
};

void TakeFact(std::string_view fact, MlsdFacts& facts) {
    const std::size_t equals = fact.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view name = fact.substr(0, equals);
    const std::string_view value = fact.substr(equals + 1);
    if (SameWord(name, "type"))
        facts.type = value;
    else if (SameWord(name, "OS.unix"))
        facts.unixType = value;
    else if (SameWord(name, "UNIX.mode"))
        facts.mode = value;
    else if (SameWord(name, "size"))
        facts.size = value;
    else if (SameWord(name, "unique"))
        facts.unique = value;
    else if (SameWord(name, "modify"))
        facts.modify = value;
    else if (SameWord(name, "UNIX.owner") || (facts.owner.empty() && SameWord(name, "UNIX.uid")))
        facts.owner = value;
    else if (SameWord(name, "UNIX.group") || (facts.group.empty() && SameWord(name, "UNIX.gid")))
        facts.group = value;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
    return text.size() >= word.size() && SameWord(text.substr(0, word.size()), word);
}

// A link as OS.unix names it: "symlink", "slink" or "slink:target", in its
// own fact or (some servers) inside the type fact; the target when given.
bool IsLinkType(std::string_view type, std::string& target) {
    if (StartsWithWord(type, "OS.unix=")) type.remove_prefix(8);
    if (SameWord(type, "symlink") || SameWord(type, "slink")) return true;
    if (!StartsWithWord(type, "slink:")) return false;
    target.assign(type.substr(6));
    return true;
}

EntryKind KindOf(const MlsdFacts& facts, std::string& target) {
    if (IsLinkType(facts.unixType, target) || IsLinkType(facts.type, target)) return EntryKind::Link;
    if (SameWord(facts.type, "file")) return EntryKind::File;
    if (SameWord(facts.type, "dir")) return EntryKind::Directory;
    return EntryKind::Unknown;  // devices and types of the server's own
}

char TypeLetter(EntryKind kind) {
    switch (kind) {
        case EntryKind::File:
            return '-';
        case EntryKind::Directory:
            return 'd';
        case EntryKind::Link:
            return 'l';
        case EntryKind::Unknown:
            break;
    }
    return '?';
}

// "rwxr-xr-x" from the last three octal digits of a mode; the mode may carry
// more digits in front (set-id bits, file type), which the text leaves out.
void AppendModeLetters(std::string_view mode, std::string& letters) {
    // Some servers (pyftpdlib) write the mode the way Python prints octal: "0o755".
    if (mode.size() > 2 && mode[0] == '0' && (mode[1] == 'o' || mode[1] == 'O')) mode.remove_prefix(2);
    if (mode.size() < 3) return;
    for (char c : mode)
        if (c < '0' || c > '7') return;
    for (char digit : mode.substr(mode.size() - 3)) {
        const int bits = digit - '0';
        letters += (bits & 4) ? 'r' : '-';
        letters += (bits & 2) ? 'w' : '-';
        letters += (bits & 1) ? 'x' : '-';
    }
}

// "YYYYMMDDHHMMSS[.fraction]" in UTC; shown as "YYYY-MM-DD HH:MM".
void TakeModifyTime(std::string_view modify, RemoteTime& time) {
    const std::string_view whole = modify.substr(0, modify.find('.'));
    time.Clear();
    if (whole.size() != 14 || !IsDigits(whole)) return;
    const auto part = [whole](std::size_t at, std::size_t length) {
        return static_cast<int>(*ParseNumber(whole.substr(at, length)));
    };
    const int month = part(4, 2), day = part(6, 2), hour = part(8, 2), minute = part(10, 2), second = part(12, 2);
    // A fact out of range is no time at all: shown or kept, it would be wrong.
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return;
    time.Set(part(0, 4), month, day, hour, minute, second, TimePrecision::Second, true);
    ShowAsIsoMinutes(time);
}

}  // namespace

MlsdLine ReadMlsdLine(std::string_view line, RemoteEntry& entry) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= line.size()) return MlsdLine::Malformed;
    MlsdFacts facts;
    std::string_view factText = line.substr(0, blank);
    while (!factText.empty()) {
        const std::size_t semicolon = factText.find(';');
        TakeFact(factText.substr(0, semicolon), facts);
        if (semicolon == std::string_view::npos) break;
        factText.remove_prefix(semicolon + 1);
    }
    if (facts.type.empty()) return MlsdLine::Malformed;
    if (SameWord(facts.type, "cdir") || SameWord(facts.type, "pdir")) return MlsdLine::Itself;

    entry.linkTarget.clear();
    entry.kind = KindOf(facts, entry.linkTarget);
    entry.permissions.assign(1, TypeLetter(entry.kind));
    AppendModeLetters(facts.mode, entry.permissions);
    entry.links.clear();
    entry.owner.assign(facts.owner);
    entry.group.assign(facts.group);
    entry.size = ParseNumber(facts.size);
    TakeModifyTime(facts.modify, entry.modified);
    entry.unique.assign(facts.unique);
    entry.exactSize = entry.size.has_value();
    entry.name.assign(line.substr(blank + 1));
    return MlsdLine::Entry;
}

bool ParseMlsdLine(std::string_view line, RemoteEntry& entry) {
    return ReadMlsdLine(line, entry) == MlsdLine::Entry;
}
