#include "ftp/listings.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ftp/listing_parser.h"

Listings::Listings(ControlChannel& control, const Login& login, const std::atomic<int>& connected,
                   Retrieve retrieve)
    : control(control), login(login), connected(connected), retrieve(std::move(retrieve)) {
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) temp = "/tmp";
    // One listing file per session, made by mkstemp: two programs (or two test
    // processes) listing at once must not read each other's directories, and
    // another user cannot plant a file or link under a name known in advance.
    std::string unique = (temp / "quillmoor-listing-XXXXXX").string();
    const int fd = mkstemp(unique.data());
    if (fd >= 0) {
        close(fd);
        storagePath = unique;
    } else {
        storagePath = (temp / ("quillmoor-listing-" + std::to_string(getpid()) + ".ftp")).string();
    }
}

Listings::~Listings() {
    CloseListingFile();
    std::remove(storagePath.c_str());
}

void Listings::SetStoragePath(const std::string& path) {
    std::remove(storagePath.c_str());
    storagePath = path;
}

ReplyClass Listings::ListToFile(const std::string& command, const std::string& path) {
    if (!path.empty()) std::remove(path.c_str());
    return retrieve(command, path);
}

ReplyClass Listings::ListDirectoryToFile(const std::string& path) {
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

int Listings::CountListing(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return 0;
    ListingLineReader reader(file);
    std::string_view line;
    int lines = 0;
    while (reader.Next(line)) ++lines;
    std::fclose(file);
    return lines;
}

void Listings::StoreDirectoryListing() {
    const bool stored = ListDirectoryToFile(storagePath) == kComplete;
    lastListing = stored ? ListingOutcome::Complete : ListingOutcome::Failed;
}

ListingRead Listings::FirstStoredEntry(RemoteEntry& entry) {
    CloseListingFile();
    // Whatever arrived of a refused, broken or unstored listing is not the
    // directory's contents; shown, it would pass for an empty directory.
    if (lastListing == ListingOutcome::Failed) control.LogF("Could not get the directory listing.");
    if (lastListing != ListingOutcome::Complete)
        return lastListing == ListingOutcome::Failed ? ListingRead::Failed : ListingRead::Cancelled;
    if (!ReadEntriesFrom(storagePath)) {
        control.LogF("Couldn't open TempDirFile for reading.");
        return ListingRead::Failed;
    }
    return NextEntry(entry);
}

bool Listings::ReadEntriesFrom(const std::string& path) {
    CloseListingFile();
    listingFile = std::fopen(path.c_str(), "r");
    parser = NewParser();
    return listingFile != nullptr;
}

void Listings::CloseListingFile() {
    if (listingFile != nullptr) std::fclose(listingFile);
    listingFile = nullptr;
}

ListingRead Listings::NextEntry(RemoteEntry& entry) {
    if (listingFile == nullptr) return ListingRead::End;
    ListingLineReader reader(listingFile);
    std::string_view line;
    bool found = false;
    while (!found && reader.Next(line)) found = parser.Read(CutAtLineEnd(line), entry);
    LogSkippedListingLines(reader.SkippedLines());
    if (found) return ListingRead::Entry;
    parser.Finish();
    CloseListingFile();
    return ListingRead::End;
}

void Listings::LogSkippedListingLines(std::size_t count) {
    if (count > 0)
        control.LogF("Skipped %zu listing line%s longer than %zu characters.", count, count == 1 ? "" : "s",
                     kLongestListingLine);
}

ListingParser Listings::NewParser() const {
    ControlChannel* channel = &control;
    return ListingParser(listingIsMlsd ? ListingParser::Form::Mlsd : ListingParser::Form::List,
                         [channel](const std::string& line) { channel->LogF("%s", line.c_str()); });
}
