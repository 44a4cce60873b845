#include <cstdio>
#include <string>

#include "ftp/ftp_session.h"
#include "ftp/listing_parser.h"
#include "ftp/mlsd_parser.h"

ReplyClass FtpSession::ListToFile(const std::string& command, const std::string& path) {
    // Listings make no sound.
    int savedBeep = beepOn;
    beepOn = 0;
    if (!path.empty()) std::remove(path.c_str());
    transferCommand = command;
    localPath = path;
    transferType = 'A';
    ReplyClass result = Retrieve();
    beepOn = savedBeep;
    return result;
}

ReplyClass FtpSession::ListDirectoryToFile(const std::string& path) {
    // MLSD gives exact sizes and times in one fixed form; a server that offers
    // MLST should know it, but some refuse it all the same.
    listingIsMlsd = login.Features().Mlst() && !mlsdUnknown;
    if (listingIsMlsd) {
        const ReplyClass result = ListToFile("MLSD", path);
        const bool refused = control.ReplyCode() >= 500 && control.ReplyCode() <= 599;
        if (result == kComplete || !refused || !connected || control.Aborted() || control.StopRequested())
            return result;
        // Only an unknown command is unknown for the rest of the connection;
        // another refusal (a directory it will not show this way) may be for now.
        if (control.ReplyCode() == 500 || control.ReplyCode() == 502) mlsdUnknown = true;
        control.LogF("MLSD refused; listing with LIST instead.");
        listingIsMlsd = false;
    }
    return ListToFile("LIST", path);
}

int FtpSession::CountListing(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return 0;
    ListingLineReader reader(file);
    std::string_view line;
    int lines = 0;
    std::string firstLine;
    while (reader.Next(line)) {
        if (++lines == 1) firstLine.assign(line);
        if (lines == 2) columnCount = CountListingFields(line);
    }
    std::fclose(file);
    // Servers that send no total line (pyftpdlib, vsftpd) list a directory of
    // one entry in one line; its columns are the ones to use, not the last
    // listing's.
    if (lines == 1 && !firstLine.empty() &&
        (firstLine[0] == '-' || firstLine[0] == 'd' || firstLine[0] == 'l'))
        columnCount = CountListingFields(firstLine);
    return lines;
}

int FtpSession::NextEntry(RemoteEntry& entry) {
    if (listingFile == nullptr) return 0;
    ListingLineReader reader(listingFile);
    std::string_view line;
    bool found = false;
    while (!found && reader.Next(line)) found = ParseListingLine(CutAtLineEnd(line), entry) != 0;
    LogSkippedListingLines(reader.SkippedLines());
    if (found) return 1;
    std::fclose(listingFile);
    listingFile = nullptr;
    return 0;
}

void FtpSession::LogSkippedListingLines(std::size_t count) {
    if (count > 0)
        control.LogF("Skipped %zu listing line%s longer than %zu characters.", count, count == 1 ? "" : "s",
                     kLongestListingLine);
}

int FtpSession::ParseListingLine(std::string_view line, RemoteEntry& entry) const {
    if (listingIsMlsd) return ParseMlsdLine(line, entry) ? 1 : 0;
    return ParseAnyListingLine(line, columnCount, entry) ? 1 : 0;
}
