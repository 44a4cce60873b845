#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ftp/listing_families.h"
#include "ftp/listing_text.h"
#include "ftp/remote_entry.h"

// Longest listing line that is read at all. Names run to 255 bytes on most
// file systems and to a few thousand on some, and a link adds its target;
// a line past this bound is not a listing line and is skipped whole.
constexpr std::size_t kLongestListingLine = 16384;

// Reads the lines of one directory listing into entries, whatever form the
// server lists in: every Unix shape, DOS/IIS, OS/2, VMS, MVS datasets, PDS
// members and JES jobs, OS/400, z/VM, HP NonStop, OS-9, EPLF, and MLSD fact
// lines (also when they come in reply to LIST). The form is decided line by
// line; header lines of a mainframe listing say how the lines under them
// read. A line that gives no entry is either known to carry none (a total,
// a header, "." and "..") or logged once as unreadable and counted; an
// entry's name is never empty and never holds "/", NUL or another control
// character.
class ListingParser {
public:
    enum class Form { List, Mlsd };  // Mlsd: the reply to MLSD, nothing else
    using Log = std::function<void(const std::string& line)>;

    explicit ListingParser(Form form = Form::List, Log log = {}, CivilDate today = CivilDate::TodayLocal());

    // One line without its line end. True when it completes an entry (a VMS
    // entry may take two lines).
    bool Read(std::string_view line, RemoteEntry& entry);
    // After the last line: a name still waiting for its details is
    // unreadable, and the count of unreadable lines is logged.
    void Finish();
    std::size_t UnreadableLines() const { return unreadable; }

private:
    enum class Outcome { Entry, NoEntry, Waiting, Unreadable };
    Outcome ReadLine(std::string_view line, RemoteEntry& entry);
    Outcome ReadTokens(const ListingTokens& tokens, RemoteEntry& entry);
    Outcome ReadVms(const ListingTokens& tokens, RemoteEntry& entry);
    void Refuse(std::string_view line);

    Form form;
    Log log;
    CivilDate today;
    ListingHint hint = ListingHint::None;
    std::string waitingVmsName;  // a long VMS name whose details follow on the next line
    std::string lastVmsName;     // older versions of a VMS file follow its newest
    std::size_t unreadable = 0;
    bool finished = false;
};

// Splits a listing held in memory into whole lines. A long name must never
// be cut: a second piece of a line would count as a line of its own, become
// an entry or decide the column count for the whole listing.
class ListingLines {
public:
    explicit ListingLines(std::string_view text) : rest(text) {}

    // The next line without its line end: listings arrive with network line
    // ends, so a CR just before the LF goes too (a CR elsewhere stays). Bytes
    // are kept as they are (a NUL stays in the line, so callers can refuse
    // it). Lines longer than kLongestListingLine are passed over and counted.
    // Returns false at the end of the text.
    bool Next(std::string_view& line);
    std::size_t SkippedLines() const { return skipped; }

private:
    std::string_view rest;
    std::size_t skipped = 0;
};
