#include "ftp/directory_lister.h"

#include <mutex>
#include <string>
#include <utility>

#include "ftp/private_listing_file.h"
#include "ftp/temporary_paths.h"

namespace {

// Lines read between two looks at the stop flag.
constexpr std::size_t kLinesPerStopCheck = 4096;

}  // namespace

DirectoryLister::DirectoryLister(ControlChannel& control, const Login& login, const std::atomic<int>& connected,
                   Receive receive)
    : control(control), login(login), connected(connected), receive(std::move(receive)) {
    // Earlier versions kept each listing in a file of the temporary directory;
    // what a crashed run of one left is removed once, when the first session
    // of this program starts.
    static std::once_flag cleaned;
    std::call_once(cleaned, [&] {
        if (const int removed = RemoveAbandonedListingFiles(SystemTemporaryDirectory()); removed > 0)
            control.LogF("Removed %d listing file%s left by programs that ended.", removed,
                         removed == 1 ? "" : "s");
    });
}

Result<Listing> DirectoryLister::List(const std::string& path) {
    Result<Listing> listing = Error(Error::Category::Cancelled, "Cancelled");
    // MLSD gives exact sizes and times in one fixed form; a server that offers
    // MLST should know it, but some refuse it all the same.
    bool tryList = true;
    if (login.Features().Mlst() && !mlsdUnknown) {
        listing = Fetch("MLSD", ListingParser::Form::Mlsd, path);
        const int code = control.ReplyCode();
        const bool refused = !listing && listing.Failure().category == Error::Category::Reply && code >= 500;
        // A listing stopped at its limits is not asked for again in another form.
        tryList = refused && connected && !control.Aborted() && !control.StopRequested();
        if (tryList) {
            // Only an unknown command is unknown for the rest of the connection;
            // another refusal (a directory it will not show this way) may be for now.
            if (code == 500 || code == 502) mlsdUnknown = true;
            control.LogF("MLSD refused; listing with LIST instead.");
        }
    }
    if (tryList) listing = Fetch("LIST", ListingParser::Form::List, path);
    // Whatever arrived of a refused, broken or unfinished listing is not the
    // directory's contents; shown, it would pass for an empty directory.
    if (!listing && listing.Failure().category != Error::Category::Cancelled)
        control.LogF("Could not get the directory listing.");
    return listing;
}

Result<Listing> DirectoryLister::ListLinksAsLinks(const std::string& path) {
    return Fetch("LIST", ListingParser::Form::List, path);
}

Result<Listing> DirectoryLister::Fetch(const std::string& command, ListingParser::Form form,
                                const std::string& path) {
    const Received received = receive(command);
    if (control.StopRequested()) return Error(Error::Category::Cancelled, "Cancelled");
    if (received.reply != kComplete) {
        if (received.overLimit) return Error(Error::Category::Protocol, "The directory listing did not end");
        return Failure();
    }
    return Read(received.text, form, path);
}

// Why a listing did not arrive, in the words of the reply that refused it
// where there is one.
Error DirectoryLister::Failure() const {
    const int code = control.ReplyCode();
    if (!connected || control.Aborted() || code == 421)
        return Error(Error::Category::Connection, "Could not get the directory listing", code);
    if (code >= 400 && code <= 599) return Error(Error::Category::Reply, control.ReplyText(), code);
    return Error(Error::Category::Protocol, "Could not get the directory listing", code);
}

Result<Listing> DirectoryLister::Read(std::string_view text, ListingParser::Form form, const std::string& path) {
    ControlChannel* channel = &control;
    ListingParser parser(form, [channel](const std::string& line) { channel->LogF("%s", line.c_str()); });
    Listing listing;
    listing.path = path;
    ListingLines lines(text);
    std::string_view line;
    RemoteEntry entry;
    for (std::size_t count = 1; lines.Next(line); ++count) {
        if (count % kLinesPerStopCheck == 0 && control.StopRequestedRelaxed())
            return Error(Error::Category::Cancelled, "Cancelled");
        if (parser.Read(line, entry)) {
            listing.entries.push_back(std::move(entry));
            entry = RemoteEntry();
        }
    }
    parser.Finish();
    listing.skippedLines = lines.SkippedLines();
    if (listing.skippedLines > 0)
        control.LogF("Skipped %zu listing line%s longer than %zu characters.", listing.skippedLines,
                     listing.skippedLines == 1 ? "" : "s", kLongestListingLine);
    return listing;
}

ListingRead DirectoryLister::HoldAndReadFirst(Result<Listing> listing, RemoteEntry& entry) {
    held = Listing();
    nextHeld = 0;
    if (!listing)
        return listing.Failure().category == Error::Category::Cancelled ? ListingRead::Cancelled
                                                                        : ListingRead::Failed;
    held = std::move(listing.Value());
    return NextEntry(entry);
}

ListingRead DirectoryLister::NextEntry(RemoteEntry& entry) {
    if (nextHeld >= held.entries.size()) return ListingRead::End;
    // Whoever reads millions of entries one by one is stopped here too.
    if (control.StopRequestedRelaxed()) {
        held = Listing();
        nextHeld = 0;
        return ListingRead::Cancelled;
    }
    entry = held.entries[nextHeld++];
    return ListingRead::Entry;
}
