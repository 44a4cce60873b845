#include "ftp/listings.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "ftp/listing_parser.h"
#include "ftp/private_listing_file.h"
#include "ftp/temporary_paths.h"

Listings::Listings(ControlChannel& control, const Login& login, const std::atomic<int>& connected,
                   Retrieve retrieve)
    : control(control), login(login), connected(connected), retrieve(std::move(retrieve)) {
    const std::string temp = SystemTemporaryDirectory();
    // What a crashed run of the program left is removed once, when the first
    // session of this one starts.
    static std::once_flag cleaned;
    std::call_once(cleaned, [&] {
        if (const int removed = RemoveAbandonedListingFiles(temp); removed > 0)
            control.LogF("Removed %d listing file%s left by programs that ended.", removed,
                         removed == 1 ? "" : "s");
    });
    // One listing file per session, made by mkstemp: two programs (or two test
    // processes) listing at once must not read each other's directories, and
    // another user cannot plant a file or link under a name known in advance.
    storagePath = CreatePrivateListingFile(temp);
    if (storagePath.empty()) storagePath = temp + "quillmoor-listing-" + std::to_string(getpid()) + ".ftp";
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
    const Retrieved retrieved = retrieve(command, path);
    lastOverLimit = retrieved.overLimit;
    return retrieved.reply;
}

ReplyClass Listings::ListDirectoryToFile(const std::string& path) {
    // MLSD gives exact sizes and times in one fixed form; a server that offers
    // MLST should know it, but some refuse it all the same.
    listingIsMlsd = login.Features().Mlst() && !mlsdUnknown;
    if (listingIsMlsd) {
        const ReplyClass result = ListToFile("MLSD", path);
        const bool refused = control.ReplyCode() >= 500 && control.ReplyCode() <= 599;
        // A listing stopped at its limits is not asked for again in another form.
        if (result == kComplete || !refused || lastOverLimit || !connected || control.Aborted() ||
            control.StopRequested())
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
    // A stop ends the count at once: a listing can hold millions of lines.
    while (!control.StopRequestedRelaxed() && reader.Next(line)) ++lines;
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
    // Whoever reads millions of entries one by one is stopped here too.
    if (control.StopRequestedRelaxed()) {
        CloseListingFile();
        return ListingRead::Cancelled;
    }
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
