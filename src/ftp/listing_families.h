#pragma once

#include <string_view>

#include "ftp/listing_text.h"
#include "ftp/remote_entry.h"

// The listing forms, one reader each. Every reader gets a cleared entry and
// the tokens of one line, fills the entry and returns true when the line has
// the shape of its form; the dispatcher (ListingParser) checks the name and
// decides which reader to ask.

// Unix "ls -l" in all its shapes: with or without link count and group,
// owners with blanks, sizes with units, dates in any order, language or
// notation, or none; NetWare ("d [R----F--] owner ...") and NetPresenz too.
bool IsUnixMode(std::string_view token);
bool ParseUnixLine(const ListingTokens& tokens, const CivilDate& today, RemoteEntry& entry);

// MS-DOS and IIS: "12-07-26  11:48AM  <DIR>  name", "2026-12-07  23:48  1,234 name".
bool ParseDosLine(const ListingTokens& tokens, RemoteEntry& entry);
// OS/2: "   1234  A  12-07-26  11:48  name", "   0  DIR  12-07-26  11:48  name".
bool ParseOs2Line(const ListingTokens& tokens, RemoteEntry& entry);

// VMS: "NAME.EXT;3  4/8  12-JAN-2005 10:20:00  [GROUP,OWNER]  (RWED,RWED,RE,)",
// the details on the next line when the name is long.
bool IsVmsName(std::string_view token);
bool IsVmsSummary(const ListingTokens& tokens);
// name is the first token ("NAME.EXT;3"); the details start at token first.
bool ParseVmsEntry(std::string_view name, const ListingTokens& tokens, std::size_t first, RemoteEntry& entry);

// What a mainframe listing's header line says the lines under it are.
enum class ListingHint { None, MvsDatasets, PdsMembers, PdsLoadModules, JesJobs, NonStop, Os9 };
// True for a header or ruling line (which carries no entry); sets hint when
// the header names a form.
bool ReadHeaderLine(const ListingTokens& tokens, ListingHint& hint);
bool ParseMvsDatasetLine(const ListingTokens& tokens, RemoteEntry& entry);
bool ParsePdsMemberLine(const ListingTokens& tokens, ListingHint hint, RemoteEntry& entry);
bool ParseJesJobLine(const ListingTokens& tokens, RemoteEntry& entry);
bool ParseOs400Line(const ListingTokens& tokens, RemoteEntry& entry);
bool ParseZvmLine(const ListingTokens& tokens, RemoteEntry& entry);

// EPLF: "+i8388621.29609,m824255902,r,s10376,\tname".
bool ParseEplfLine(std::string_view line, RemoteEntry& entry);
// HP NonStop: "ALTERN  101  656  05-Nov-07 11:14:15  255,  1 \"OOOO\"".
bool ParseNonStopLine(const ListingTokens& tokens, RemoteEntry& entry);
// OS-9: "  0.0  06/01/01 1230  d-ewrewr  2A200  960 CMDS".
bool ParseOs9Line(const ListingTokens& tokens, RemoteEntry& entry);

// The span of tokens first to last (inclusive) with its blanks, as written.
std::string_view TokenSpan(const ListingTokens& tokens, std::size_t first, std::size_t last);
