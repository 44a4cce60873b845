// OpenVMS listings: "NAME.EXT;version", the size in 512-byte blocks (used, or
// used/allocated), "DD-MON-YYYY HH:MM[:SS[.cc]]", "[group,owner]" and the
// protection "(S,O,G,W)". A directory is a file of type DIR; a server asked
// for a name without version gives its newest one, so that is the name kept.
#include <strings.h>

#include "ftp/listing_families.h"

namespace {

constexpr std::int64_t kVmsBlock = 512;

bool EndsWithDir(std::string_view name) {
    return name.size() > 4 && strncasecmp(name.data() + name.size() - 4, ".DIR", 4) == 0;
}

// "[GROUP,OWNER]" or "[OWNER]".
void TakeOwner(std::string_view token, RemoteEntry& entry) {
    token = token.substr(1, token.size() - 2);
    const std::size_t comma = token.find(',');
    if (comma == std::string_view::npos) {
        entry.owner.assign(token);
    } else {
        entry.group.assign(token.substr(0, comma));
        entry.owner.assign(token.substr(comma + 1));
    }
}

}  // namespace

bool IsVmsName(std::string_view token) {
    const std::size_t semicolon = token.rfind(';');
    return semicolon != std::string_view::npos && semicolon > 0 && IsDigits(token.substr(semicolon + 1));
}

bool IsVmsSummary(const ListingTokens& tokens) {
    const std::string_view first = tokens.Text(0);
    if (first == "Directory") return tokens.Count() == 2 && tokens[1].text.back() == ']';
    return (first == "Total" && tokens.Text(1) == "of") || (first == "Grand" && tokens.Text(1) == "total");
}

bool ParseVmsEntry(std::string_view name, const ListingTokens& tokens, std::size_t first,
                   RemoteEntry& entry) {
    name = name.substr(0, name.rfind(';'));
    entry.kind = EndsWithDir(name) ? EntryKind::Directory : EntryKind::File;
    if (entry.kind == EntryKind::Directory) name.remove_suffix(4);
    entry.name.assign(name);
    // A file the server may not look into is listed with a message instead
    // ("%RMS-E-PRV, insufficient privilege"): it is there, its details unknown.
    if (first < tokens.Count() && tokens[first].text[0] == '%') return true;
    if (first + 1 >= tokens.Count()) return false;
    std::string_view blocks = tokens.Text(first);
    blocks = blocks.substr(0, blocks.find('/'));
    const std::optional<std::int64_t> used = ParseNumber(blocks);
    if (!used || !ParseDayMonthYear(tokens.Text(first + 1), entry.modified)) return false;
    entry.size = *used * kVmsBlock;
    std::size_t last = first + 1;
    if (ParseClockTime(tokens.Text(first + 2), entry.modified)) ++last;
    entry.modified.shown.assign(TokenSpan(tokens, first + 1, last));
    for (std::size_t i = last + 1; i < tokens.Count(); ++i) {
        const std::string_view token = tokens[i].text;
        if (token.size() >= 2 && token.front() == '[' && token.back() == ']') TakeOwner(token, entry);
        if (token.size() >= 2 && token.front() == '(' && token.back() == ')') entry.permissions.assign(token);
    }
    return true;
}
