#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "ftp/remote_entry.h"

// Longest listing line that is read at all. Names run to 255 bytes on most
// file systems and to a few thousand on some, and a link adds its target;
// a line past this bound is not a listing line and is skipped whole.
constexpr std::size_t kLongestListingLine = 16384;

// Parses one line of a Unix long listing ("ls -l" shape). columnCount is the
// number of fields counted on the listing's second line: with 9 or more the
// line carries a group column, with fewer it does not. Returns false for any
// line that is not a file, directory or link entry (the total line, devices,
// messages, blank lines).
bool ParseUnixListingLine(std::string_view line, int columnCount, RemoteEntry& entry);

// Parses one line of the MS-DOS form that IIS and some Windows servers send:
// "12-07-26  11:48AM  <DIR>  name" or "12-07-26  11:48AM  1234 name". The date
// and time become the date text as sent; the line carries no mode, owner or
// link count, so permissions is just the type letter ("d" or "-"). Returns
// false for anything not shaped like that.
bool ParseDosListingLine(std::string_view line, RemoteEntry& entry);

// A listing line in either form: the Unix form first, then the DOS form.
bool ParseAnyListingLine(std::string_view line, int columnCount, RemoteEntry& entry);

// True for a non-empty run of decimal digits (sizes, dates in listings).
bool IsDecimalNumber(std::string_view text);

// Number of blank-separated fields of a listing line. Only the blank separates;
// the line end is not a field; a leading blank counts one extra empty field.
int CountListingFields(std::string_view line);

// Reads a listing file opened as text one whole line at a time. A long name
// must never be cut: a second piece of a line would count as a line of its own,
// become an entry or decide the column count for the whole listing.
class ListingLineReader {
public:
    // Room for a usual line up front: the reader is made once per entry read.
    explicit ListingLineReader(std::FILE* file) : file(file) { buffer.reserve(256); }

    // The next line, up to and including its LF. A CR just before the LF is
    // dropped, since listings arrive with network line ends. Bytes are kept as
    // they are (a NUL stays in the line, so callers can refuse it). Lines
    // longer than kLongestListingLine are passed over and counted. Returns
    // false at the end of the file.
    bool Next(std::string_view& line);
    std::size_t SkippedLines() const { return skipped; }

private:
    std::FILE* file;
    std::string buffer;
    std::size_t skipped = 0;
};

// The line without its line end, as the parser wants it.
std::string_view CutAtLineEnd(std::string_view line);
