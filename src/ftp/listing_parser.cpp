#include "ftp/listing_parser.h"

namespace {

// Moves i past blanks, never past the end of the line.
std::size_t SkipBlanks(std::string_view line, std::size_t i) {
    while (i < line.size() && line[i] == ' ') ++i;
    return i;
}

// A token is the run of characters from i up to the next blank or the end.
std::size_t TokenEnd(std::string_view line, std::size_t i) {
    while (i < line.size() && line[i] != ' ') ++i;
    return i;
}

// Skips blanks, then takes one token into out and leaves i after it.
void TakeToken(std::string_view line, std::size_t& i, std::string& out) {
    i = SkipBlanks(line, i);
    std::size_t end = TokenEnd(line, i);
    out.assign(line.substr(i, end - i));
    i = end;
}

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// "MM-DD-YY" or "MM-DD-YYYY".
bool IsDosDate(std::string_view text) {
    if (text.size() != 8 && text.size() != 10) return false;
    return IsDecimalNumber(text.substr(0, 2)) && text[2] == '-' && IsDecimalNumber(text.substr(3, 2)) &&
           text[5] == '-' && IsDecimalNumber(text.substr(6));
}

// "11:48AM", "11:48PM" or, on servers set to a 24-hour clock, "23:48".
bool IsDosTime(std::string_view text) {
    if (text.size() >= 2 && (text.substr(text.size() - 2) == "AM" || text.substr(text.size() - 2) == "PM"))
        text.remove_suffix(2);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2) return false;
    return IsDecimalNumber(text.substr(0, colon)) && text.size() - colon == 3 &&
           IsDecimalNumber(text.substr(colon + 1));
}

}  // namespace

bool ParseUnixListingLine(std::string_view line, int columnCount, RemoteEntry& entry) {
    if (line.empty()) return false;
    switch (line[0]) {
        case '-':
            entry.isFile = 1;
            break;
        case 'd':
        case 'l':
            entry.isFile = 0;
            break;
        default:
            return false;
    }
    entry.permissions.assign(line.substr(0, 10));

    // Character 10 (an ACL or extended-attribute marker on some servers) is not examined.
    std::size_t i = line.size() < 11 ? line.size() : 11;
    TakeToken(line, i, entry.links);
    TakeToken(line, i, entry.owner);
    if (columnCount >= 9) {
        TakeToken(line, i, entry.group);
    } else {
        entry.group.clear();
    }
    TakeToken(line, i, entry.sizeText);

    // The date is three tokens copied with the spacing the server used.
    std::size_t dateStart = SkipBlanks(line, i);
    i = TokenEnd(line, dateStart);
    for (int more = 0; more < 2; ++more) i = TokenEnd(line, SkipBlanks(line, i));
    entry.dateText.assign(line.substr(dateStart, i - dateStart));

    i = SkipBlanks(line, i);
    entry.name.assign(line.substr(i));
    return true;
}

bool ParseDosListingLine(std::string_view line, RemoteEntry& entry) {
    std::size_t i = 0;
    std::size_t end = TokenEnd(line, i);
    const std::string_view date = line.substr(0, end);
    if (!IsDosDate(date)) return false;
    const std::size_t timeStart = SkipBlanks(line, end);
    end = TokenEnd(line, timeStart);
    if (!IsDosTime(line.substr(timeStart, end - timeStart))) return false;
    const std::size_t dateEnd = end;
    const std::size_t sizeStart = SkipBlanks(line, end);
    end = TokenEnd(line, sizeStart);
    const std::string_view sizeOrDir = line.substr(sizeStart, end - sizeStart);
    const bool directory = sizeOrDir == "<DIR>";
    if (!directory && !IsDecimalNumber(sizeOrDir)) return false;
    i = SkipBlanks(line, end);
    if (i == end || i >= line.size()) return false;  // a name follows after at least one blank

    entry.isFile = directory ? 0 : 1;
    entry.permissions = directory ? "d" : "-";
    entry.links.clear();
    entry.owner.clear();
    entry.group.clear();
    entry.sizeText.assign(directory ? std::string_view() : sizeOrDir);
    entry.dateText.assign(line.substr(0, dateEnd));
    entry.name.assign(line.substr(i));
    return true;
}

bool ParseAnyListingLine(std::string_view line, int columnCount, RemoteEntry& entry) {
    return ParseUnixListingLine(line, columnCount, entry) || ParseDosListingLine(line, entry);
}

bool IsDecimalNumber(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int CountListingFields(std::string_view line) {
    line = CutAtLineEnd(line);
    while (!line.empty() && IsLineEnd(line.back())) line.remove_suffix(1);
    int fields = (!line.empty() && line[0] == ' ') ? 1 : 0;
    bool inField = false;
    for (char c : line) {
        if (c == ' ') {
            inField = false;
        } else if (!inField) {
            inField = true;
            ++fields;
        }
    }
    return fields;
}

bool ListingLineReader::Next(std::string_view& line) {
    for (;;) {
        buffer.clear();
        int c = 0;
        bool tooLong = false;
        while ((c = getc_unlocked(file)) != EOF) {
            if (!tooLong) buffer.push_back(static_cast<char>(c));
            if (c == '\n') break;
            tooLong = tooLong || buffer.size() > kLongestListingLine;
        }
        if (tooLong) {
            ++skipped;
            continue;
        }
        if (buffer.empty()) return false;
        const std::size_t length = buffer.size();
        if (buffer[length - 1] == '\n' && length >= 2 && buffer[length - 2] == '\r') {
            buffer[length - 2] = '\n';
            buffer.pop_back();
        }
        line = buffer;
        return true;
    }
}

std::string_view CutAtLineEnd(std::string_view line) {
    std::size_t lf = line.find('\n');
    return lf == std::string_view::npos ? line : line.substr(0, lf);
}
