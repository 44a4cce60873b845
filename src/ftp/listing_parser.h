#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "ftp/remote_entry.h"

// Longest piece of a listing line read at once; a longer line is read in
// several pieces, and each piece counts as a line of its own.
constexpr std::size_t kListingPieceCapacity = 179;

// Parses one line of a Unix long listing ("ls -l" shape). columnCount is the
// number of fields counted on the listing's second line: with 9 or more the
// line carries a group column, with fewer it does not. Returns false for any
// line that is not a file, directory or link entry (the total line, devices,
// messages, blank lines).
bool ParseUnixListingLine(std::string_view line, int columnCount, RemoteEntry& entry);

// Number of blank-separated fields of a listing line. Only the blank separates;
// the line end is not a field; a leading blank counts one extra empty field.
int CountListingFields(std::string_view line);

// Reads the next piece of a listing file opened as text: at most
// kListingPieceCapacity characters, up to and including the next LF. A CR just
// before the LF is dropped, since listings arrive with network line ends.
// Bytes are kept as they are (a NUL stays in the piece, so callers can refuse
// it). Returns false at the end of the file.
bool ReadListingPiece(std::FILE* file, char (&buffer)[kListingPieceCapacity + 1], std::string_view& piece);

// The piece without its line end, as the parser wants it.
std::string_view CutAtLineEnd(std::string_view piece);
