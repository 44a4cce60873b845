#include "ftp/mlsd_parser.h"

#include <strings.h>

#include <string>

#include "ftp/listing_parser.h"

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

// The type letter a long listing would show, or 0 for an entry not listed.
char TypeLetter(const MlsdFacts& facts) {
    if (SameWord(facts.unixType, "symlink") ||
        (facts.unixType.size() >= 6 && SameWord(facts.unixType.substr(0, 6), "slink:")))
        return 'l';
    if (SameWord(facts.type, "file")) return '-';
    if (SameWord(facts.type, "dir")) return 'd';
    // OS.unix=slink:target also comes as type=OS.unix=slink:target on some servers.
    if (facts.type.size() >= 14 && SameWord(facts.type.substr(0, 14), "OS.unix=slink:")) return 'l';
    return 0;
}

// "rwxr-xr-x" from the last three octal digits of a mode; the mode may carry
// more digits in front (set-id bits, file type), which the text leaves out.
std::string ModeLetters(std::string_view mode) {
    // Some servers (pyftpdlib) write the mode the way Python prints octal: "0o755".
    if (mode.size() > 2 && mode[0] == '0' && (mode[1] == 'o' || mode[1] == 'O')) mode.remove_prefix(2);
    if (mode.size() < 3) return {};
    for (char c : mode)
        if (c < '0' || c > '7') return {};
    std::string letters;
    for (char digit : mode.substr(mode.size() - 3)) {
        const int bits = digit - '0';
        letters += (bits & 4) ? 'r' : '-';
        letters += (bits & 2) ? 'w' : '-';
        letters += (bits & 1) ? 'x' : '-';
    }
    return letters;
}

// "YYYYMMDDHHMMSS[.fraction]" in UTC to "YYYY-MM-DD HH:MM"; empty when malformed.
std::string ModifyText(std::string_view modify) {
    const std::size_t dot = modify.find('.');
    const std::string_view whole = modify.substr(0, dot);
    if (whole.size() != 14 || !IsDecimalNumber(whole)) return {};
    std::string text;
    text.append(whole.substr(0, 4)).append("-").append(whole.substr(4, 2)).append("-");
    text.append(whole.substr(6, 2)).append(" ").append(whole.substr(8, 2)).append(":");
    text.append(whole.substr(10, 2));
    return text;
}

}  // namespace

bool ParseMlsdLine(std::string_view line, RemoteEntry& entry) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= line.size()) return false;
    MlsdFacts facts;
    std::string_view factText = line.substr(0, blank);
    while (!factText.empty()) {
        const std::size_t semicolon = factText.find(';');
        TakeFact(factText.substr(0, semicolon), facts);
        if (semicolon == std::string_view::npos) break;
        factText.remove_prefix(semicolon + 1);
    }
    const char type = TypeLetter(facts);
    if (type == 0) return false;

    entry.isFile = type == '-' ? 1 : 0;
    const std::string letters = ModeLetters(facts.mode);
    entry.permissions = std::string(1, type) + letters;
    entry.links.clear();
    entry.owner.assign(facts.owner);
    entry.group.assign(facts.group);
    entry.sizeText.assign(IsDecimalNumber(facts.size) ? facts.size : std::string_view());
    entry.dateText = ModifyText(facts.modify);
    entry.unique.assign(facts.unique);
    entry.modifyFact.assign(facts.modify);
    entry.sizeFact = entry.sizeText;
    entry.name.assign(line.substr(blank + 1));
    return true;
}
