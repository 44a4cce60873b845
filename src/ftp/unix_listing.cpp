// Unix long listings. Servers differ in the columns between the mode and the
// date (link count, owner, group, each optional, owners with blanks) and in
// how they write the date, so the date is found by its shape rather than by
// counting columns; the size is the token just before it, and the name starts
// after exactly one blank following the time or year, which keeps a name's
// own leading blanks.
#include "ftp/listing_families.h"

namespace {

constexpr std::string_view kTypeLetters = "-dlbcpsDnw";
constexpr std::string_view kModeLetters = "-rwxsStTlLAaHhEe?";

EntryKind KindOf(char type) {
    switch (type) {
        case '-':
            return EntryKind::File;
        case 'd':
            return EntryKind::Directory;
        case 'l':
            return EntryKind::Link;
        default:
            return EntryKind::Unknown;  // devices, pipes, sockets, doors
    }
}

// The columns between the mode and the size: a link count when numeric, an
// owner, a group; with more words than that, the last is the group and the
// rest (blanks kept) the owner.
void TakeOwnerColumns(const ListingTokens& tokens, std::size_t first, std::size_t end, RemoteEntry& entry) {
    if (first < end && IsDigits(tokens[first].text) && end - first >= 2) {
        entry.links.assign(tokens[first].text);
        ++first;
    }
    if (first >= end) return;
    if (end - first == 1) {
        entry.owner.assign(tokens[first].text);
        return;
    }
    entry.owner.assign(TokenSpan(tokens, first, end - 2));
    entry.group.assign(tokens[end - 1].text);
}

// The date's first token and its length; the size stands just before it.
bool FindDate(const ListingTokens& tokens, std::size_t from, const CivilDate& today, std::size_t& at,
              std::size_t& length, RemoteTime& time) {
    for (at = from; at + 1 < tokens.Count(); ++at) {
        const char first = tokens[at - 1].text[0];
        if (first < '0' || first > '9') continue;
        time.Clear();
        length = MatchListingDate(tokens, at, today, time);
        if (length != 0 && at + length <= tokens.Count() && ParseListedSize(tokens[at - 1].text)) return true;
    }
    return false;
}

// A line without a date: the size is the last number of the owner columns.
bool FindUndatedSize(const ListingTokens& tokens, std::size_t from, std::size_t& at) {
    std::size_t first = from + (IsDigits(tokens.Text(from)) ? 2 : 1);
    if (first + 1 >= tokens.Count()) return false;
    if (first + 2 < tokens.Count() && ParseListedSize(tokens[first + 1].text)) ++first;
    at = first;
    return ParseListedSize(tokens[at].text).has_value();
}

}  // namespace

std::string_view TokenSpan(const ListingTokens& tokens, std::size_t first, std::size_t last) {
    return tokens.Line().substr(tokens[first].begin, tokens[last].end - tokens[first].begin);
}

bool IsUnixMode(std::string_view token) {
    if (token.size() < 10 || token.size() > 11 || kTypeLetters.find(token[0]) == std::string_view::npos)
        return false;
    for (std::size_t i = 1; i < 10; ++i)
        if (kModeLetters.find(token[i]) == std::string_view::npos) return false;
    // An eleventh letter marks an ACL or extended attributes.
    return token.size() == 10 || token[10] == '+' || token[10] == '.' || token[10] == '@';
}

bool ParseUnixLine(const ListingTokens& tokens, const CivilDate& today, RemoteEntry& entry) {
    if (tokens.Count() < 3) return false;
    const std::string_view mode = tokens[0].text;
    std::size_t columns = 1;
    // NetWare writes the type letter and its rights apart: "d [RWCEAFMS]".
    const bool netware = mode.size() == 1 && (mode[0] == 'd' || mode[0] == '-') &&
                         tokens[1].text.size() > 2 && tokens[1].text.front() == '[' &&
                         tokens[1].text.back() == ']';
    if (netware) {
        entry.permissions.assign(TokenSpan(tokens, 0, 1));
        columns = 2;
    } else if (IsUnixMode(mode)) {
        entry.permissions.assign(mode.substr(0, 10));
    } else {
        return false;
    }
    entry.kind = KindOf(mode[0]);

    std::size_t dateAt = 0;
    std::size_t dateLength = 0;
    std::size_t nameStart = 0;
    std::size_t sizeAt = 0;
    if (FindDate(tokens, columns + 1, today, dateAt, dateLength, entry.modified)) {
        sizeAt = dateAt - 1;
        const std::size_t dateEnd = tokens[dateAt + dateLength - 1].end;
        entry.modified.shown.assign(
            tokens.Line().substr(tokens[dateAt].begin, dateEnd - tokens[dateAt].begin));
        nameStart = dateEnd + 1;
    } else if (FindUndatedSize(tokens, columns, sizeAt)) {
        entry.modified.Clear();
        nameStart = tokens[sizeAt].end + 1;
    } else {
        return false;
    }
    // NetWare lines out the names in a column of their own.
    if (netware)
        while (nameStart < tokens.Line().size() && tokens.Line()[nameStart] == ' ') ++nameStart;
    if (nameStart >= tokens.Line().size()) return false;
    // A device shows its major and minor numbers where a file has its size.
    const bool device = mode[0] == 'b' || mode[0] == 'c';
    if (!device) entry.size = ParseListedSize(tokens[sizeAt].text);
    TakeOwnerColumns(tokens, columns, device && sizeAt > columns + 1 ? sizeAt - 1 : sizeAt, entry);

    const std::string_view name = tokens.Line().substr(nameStart);
    const std::size_t arrow = entry.kind == EntryKind::Link ? name.find(" -> ") : std::string_view::npos;
    entry.name.assign(name.substr(0, arrow));
    if (arrow != std::string_view::npos) entry.linkTarget.assign(name.substr(arrow + 4));
    return true;
}
