// What a download walk does with a symbolic link on the server.
//
// A link is walked as its target only when the server says the target is a
// directory, and what the server says is the answer to "CWD link": success
// means a directory, a refusal means anything else (a file, or a link that
// leads nowhere), which is then downloaded as a file (the server resolves
// the link on RETR; one that leads nowhere fails and counts as a failure of
// the walk). The listing's own word is not taken: LIST shows every link as
// "l" whatever it leads to, and some servers' MLSD shows a link as the type
// of its target.
//
// Entering a link moves the server to the target's real place, from where
// "CWD .." climbs to the target's parent, not back. So the walk asks PWD
// first and returns by that path, and asks PWD again inside to learn the
// real path of the target: a link that leads back to a directory the walk is
// inside (or above one) is skipped. A server that cannot say PWD leaves only
// the walk's depth and directory bounds to stop a loop.
#include "ftp/mlsd_parser.h"
#include "ftp/tree_walker.h"
#include "ftp/walk_loop_guard.h"
#include "ftp/walk_paths.h"

namespace {

}  // namespace

bool TreeWalker::AskCurrentDirectory(std::string& directory) {
    return control.Command("PWD") == kComplete && ParseQuotedDirectory(control.ReplyText(), directory);
}

bool TreeWalker::SkipLinkLeadingBack(const std::string& shownName, const WalkLoopGuard::Identity& target) {
    const std::string back = walkLoops.LeadsBackTo(target);
    if (back.empty()) return false;
    // Not a failure: everything behind the link is being walked already.
    control.LogF("Skipped link %s: it leads back to %s, already walked.", shownName.c_str(), back.c_str());
    return true;
}

// The "unique" fact of the directory a walk starts in, so that a link back to
// it is known in its MLSD listings; "" where MLST is not offered or says none.
std::string TreeWalker::WalkRootUnique(const std::string& remoteName) {
    if (!login.Features().Mlst()) return {};
    std::vector<std::string> lines;
    control.CollectReplyLines(&lines);
    const ReplyClass replyClass = control.SendCommand("MLST " + remoteName);
    control.CollectReplyLines(nullptr);
    RemoteEntry entry;
    if (replyClass != kComplete) return {};
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == ' ' && ParseMlsdLine(std::string_view(line).substr(1), entry))
            return entry.unique;
    }
    return {};
}

void TreeWalker::DownloadLinkedEntry(const RemoteEntry& entry, const std::string& remoteName,
                                    const std::string& localDir, int depth) {
    const std::string& name = entry.name;
    if (!IsSafeLocalName(name)) {
        control.LogF("Skipped \"%s\" in the listing of %s: not a usable local name.", name.c_str(),
                     remoteName.c_str());
        return;
    }
    const std::string path = LocalPathFor(localDir, name);
    const std::string shownName = remoteName + "/" + name;
    std::string here;
    if (!AskCurrentDirectory(here)) {
        if (StopWalkIfServerGone()) return;
        walkLoops.Enter(shownName, {"", entry.unique});
        DownloadTreeLevel(name, path, depth + 1);
        walkLoops.Leave();
        return;
    }
    walkLoops.LearnRealPath(here);
    if (!remote.ChangeDir(name)) {
        if (!StopWalkIfServerGone() && files.Download(name, &path).result != kComplete) ++walkFailures;
        return;
    }
    std::string target;
    if (!AskCurrentDirectory(target)) target.clear();
    if (StopWalkIfServerGone()) return;
    const WalkLoopGuard::Identity identity{target, entry.unique};
    if (!SkipLinkLeadingBack(shownName, identity)) {
        // From the target itself, or by its name again from here when the
        // server did not say where it is.
        if (target.empty() && !remote.ChangeDir(here)) {
            ++walkFailures;
            return;
        }
        walkLoops.Enter(shownName, identity);
        DownloadTreeLevel(target.empty() ? name : target, path, depth + 1);
        walkLoops.Leave();
    }
    if (!StopWalkIfServerGone()) remote.ChangeDir(here);
}
