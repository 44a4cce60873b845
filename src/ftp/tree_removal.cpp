#include "ftp/tree_removal.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ftp/ftp_session.h"
#include "ftp/walk_loop_guard.h"
#include "ftp/walk_paths.h"

namespace {

// Bounds against a server whose listings never end (or a tree that loops
// through folders the PWD check cannot tell apart).
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxEntries = 100000;

std::string JoinRemote(const std::string& directory, const std::string& name) {
    return !directory.empty() && directory.back() == '/' ? directory + name : directory + "/" + name;
}

// PWD may end a folder's path with "/"; the root stays "/".
std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool AskCurrentDirectory(FtpSession& session, std::string& directory) {
    return session.Control().Command("PWD") == kComplete &&
           ParseQuotedDirectory(session.Control().ReplyText(), directory);
}

}  // namespace

bool TreeRemoval::Survey(const std::string& name) {
    root = Folder{name, {}, {}, {}, {}};
    counts = {};
    listedEntries = 0;
    problem.clear();
    lost = false;
    stopReported = false;
    rootIsLink = false;
    if (!IsSafeLocalName(name)) {
        problem = "its name cannot be sent to the server safely";
        return false;
    }
    if (!AskCurrentDirectory(session, start)) {
        problem = "the server does not say which folder it is in";
        return false;
    }
    start = WithoutTrailingSlash(start);
    root.path = JoinRemote(start, name);
    // What the name is, asked of the folder that holds it: a link is deleted
    // as itself, whatever the list showed it as.
    std::vector<RemoteEntry> here;
    if (!ListHere(start, here)) return false;
    const auto listed = std::find_if(here.begin(), here.end(), [&](const RemoteEntry& entry) {
        return entry.name == name;
    });
    if (listed == here.end()) {
        problem = "it is no longer in the listing";
        return false;
    }
    rootIsLink = !listed->IsDirectory();
    if (rootIsLink) return true;
    switch (SurveyLevel(root, start, 0)) {
        case Surveyed::Folder:
            return true;
        case Surveyed::Elsewhere:
            problem = "it leads to another folder";
            return false;
        case Surveyed::Failed:
            break;
    }
    return false;
}

TreeRemoval::Entered TreeRemoval::Enter(const Folder& folder, const std::string& parentPath) {
    if (session.ChangeDir(folder.name) != kComplete) return Entered::No;
    std::string here;
    if (AskCurrentDirectory(session, here) && WithoutTrailingSlash(here) == folder.path) return Entered::Yes;
    // A link, or a server that cannot say: back to where the name was listed.
    // ".." would lead to the link target's parent.
    if (session.ChangeDir(parentPath) != kComplete) lost = true;
    return Entered::Elsewhere;
}

bool TreeRemoval::Leave() {
    if (session.ChangeDir("..") == kComplete) return true;
    lost = true;
    return false;
}

TreeRemoval::Surveyed TreeRemoval::SurveyLevel(Folder& folder, const std::string& parentPath, int depth) {
    if (depth > kMaxDepth) {
        problem = "its folders are nested too deeply";
        return Surveyed::Failed;
    }
    switch (Enter(folder, parentPath)) {
        case Entered::No:
            problem = "could not open " + folder.path;
            return Surveyed::Failed;
        case Entered::Elsewhere:
            if (lost) problem = "could not return to " + parentPath;
            return lost ? Surveyed::Failed : Surveyed::Elsewhere;
        case Entered::Yes:
            break;
    }
    std::vector<std::string> subfolders;
    bool complete = ReadListing(folder, subfolders);
    for (const std::string& name : subfolders) {
        if (!complete) break;
        Folder sub{name, JoinRemote(folder.path, name), {}, {}, {}};
        switch (SurveyLevel(sub, folder.path, depth + 1)) {
            case Surveyed::Folder:
                folder.folders.push_back(std::move(sub));
                ++counts.folders;
                break;
            case Surveyed::Elsewhere:
                // A link the listing shows as a folder: deleted as the link it is.
                folder.files.push_back(name);
                ++counts.files;
                break;
            case Surveyed::Failed:
                complete = false;
                break;
        }
    }
    if (!lost && !Leave() && problem.empty()) problem = "could not return from " + folder.path;
    return complete && !lost ? Surveyed::Folder : Surveyed::Failed;
}

bool TreeRemoval::ListHere(const std::string& shownPath, std::vector<RemoteEntry>& entries) {
    entries.clear();
    // LIST, never MLSD: MLSD shows a link as what it leads to (as RFC 3659
    // asks), and a link taken for a folder would have its target emptied.
    Result<Listing> listing = session.Lister().ListLinksAsLinks(shownPath);
    if (!listing || !session.IsConnected()) {
        problem = "could not list " + shownPath;
        return false;
    }
    if (listing.Value().skippedLines > 0) {
        // An entry left out would make its folder's RMD fail; say which listing it was.
        session.Control().LogF("Skipped %zu overlong lines in the listing of %s.",
                               listing.Value().skippedLines, shownPath.c_str());
    }
    entries = std::move(listing.Value().entries);
    return true;
}

bool TreeRemoval::ReadListing(Folder& folder, std::vector<std::string>& subfolders) {
    std::vector<RemoteEntry> entries;
    if (!ListHere(folder.path, entries)) return false;
    for (const RemoteEntry& entry : entries) {
        if (++listedEntries > kMaxEntries) {
            problem = "it holds too many entries";
            return false;
        }
        const std::string& name = entry.name;
        if (name == "." || name == "..") continue;
        if (!IsSafeLocalName(name)) {
            session.Control().LogF("Skipped \"%s\" in the listing of %s: not a usable name.", name.c_str(),
                                   folder.path.c_str());
            folder.unusable.push_back(name);
        } else if (entry.IsDirectory()) {
            subfolders.push_back(name);
        } else {
            folder.files.push_back(name);
            ++counts.files;
        }
    }
    return true;
}

bool TreeRemoval::Remove() {
    failures.clear();
    lost = false;
    stopReported = false;
    if (rootIsLink) {
        if (const Result<void> deleted = session.Remote().DeleteFile(root.name); !deleted)
            Fail(root.path, deleted.Failure().message);
        return failures.empty();
    }
    RemoveLevel(root, start);
    if (failures.empty()) {
        session.Control().LogF("Deleted %s with %d files and %d folders in it.", root.path.c_str(),
                               counts.files, counts.folders);
    }
    return failures.empty();
}

void TreeRemoval::RemoveLevel(const Folder& folder, const std::string& parentPath) {
    if (Stopped()) return;
    switch (Enter(folder, parentPath)) {
        case Entered::No:
            Fail(folder.path, session.Control().ReplyText());
            return;
        case Entered::Elsewhere:
            Fail(folder.path, "it leads to another folder now");
            return;
        case Entered::Yes:
            break;
    }
    for (const std::string& name : folder.unusable) Fail(JoinRemote(folder.path, name), "not a usable name");
    for (const std::string& name : folder.files) {
        if (Stopped()) return;
        if (const Result<void> deleted = session.Remote().DeleteFile(name); !deleted)
            Fail(JoinRemote(folder.path, name), deleted.Failure().message);
    }
    for (const Folder& sub : folder.folders) RemoveLevel(sub, folder.path);
    if (Stopped() || !Leave()) return;
    if (const Result<void> removed = session.Remote().RemoveDir(folder.name); !removed)
        Fail(folder.path, removed.Failure().message);
}

void TreeRemoval::Fail(const std::string& path, const std::string& reason) {
    session.Control().LogF("Could not delete %s: %s", path.c_str(), reason.c_str());
    failures.push_back(path + " (" + reason + ")");
}

bool TreeRemoval::Stopped() {
    const ControlChannel& control = session.Control();
    const bool gone =
        !session.IsConnected() || control.Aborted() || control.ReplyCode() == 421 || !control.IsOpen();
    if ((gone || lost) && !stopReported) {
        stopReported = true;
        session.Control().LogF("Deleting %s stopped: %s.", root.path.c_str(),
                               gone ? "the connection to the server is lost" : "the way back was refused");
        failures.push_back(gone ? "the connection to the server was lost; the rest is still there"
                                : "the server refused the way back; the rest is still there");
    }
    return gone || lost;
}
