#include "ftp/existing_file_rules.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "ftp/control_channel.h"
#include "ftp/resume_plan.h"
#include "ftp/walk_paths.h"

namespace {

// Enough for any real directory; a bound keeps a hostile listing from making
// the search endless.
constexpr int kMaxNumber = 9999;

// Splits "report.tar.gz" into "report.tar" and ".gz". A leading dot starts no
// extension: ".profile" and "..x" are all stem.
void SplitExtension(const std::string& name, std::string& stem, std::string& extension) {
    const std::size_t dot = name.rfind('.');
    const std::size_t firstOther = name.find_first_not_of('.');
    if (dot == std::string::npos || firstOther == std::string::npos || dot < firstOther) {
        stem = name;
        extension.clear();
        return;
    }
    stem = name.substr(0, dot);
    extension = name.substr(dot);
}

}  // namespace

std::string NumberedFreeName(const std::string& name, const std::function<bool(const std::string&)>& taken) {
    if (!IsSafeLocalName(name)) return {};
    std::string stem;
    std::string extension;
    SplitExtension(name, stem, extension);
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::string candidate = stem + " (" + std::to_string(number) + ")" + extension;
        if (candidate.size() > NAME_MAX) return {};
        if (!taken(candidate)) return candidate;
    }
    return {};
}

std::string FreeLocalName(const std::string& directory, const std::string& name) {
    return NumberedFreeName(name, [&directory](const std::string& candidate) {
        struct stat info {};
        // Anything that answers lstat is in the way; so is a name that cannot
        // be checked for a reason other than its absence.
        return lstat(JoinLocalPath(directory, candidate).c_str(), &info) == 0 || errno != ENOENT;
    });
}

std::string FreeRemoteName(const std::string& name, const std::vector<std::string>& listed) {
    return NumberedFreeName(name, [&listed](const std::string& candidate) {
        return std::find(listed.begin(), listed.end(), candidate) != listed.end();
    });
}

bool SourceIsNewer(const std::optional<ServerTime>& source, const std::optional<ServerTime>& target) {
    return TimesComparable(source, target) && source->seconds > target->seconds;
}

std::optional<ServerTime> LocalModificationTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return ServerTime{static_cast<std::int64_t>(info.st_mtim.tv_sec), info.st_mtim.tv_nsec};
}

int MakeTargetThePartialFile(const std::string& target) {
    const std::string partial = PartialFilePath(target);
    struct stat info {};
    if (lstat(partial.c_str(), &info) == 0) return 0;  // an earlier download's bytes: continue those
    if (errno != ENOENT) return errno;
    if (lstat(target.c_str(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    return std::rename(target.c_str(), partial.c_str()) == 0 ? 0 : errno;
}

std::optional<ServerTime> AskRemoteModificationTime(ControlChannel& control, const std::string& remoteName) {
    if (control.RefuseUnsendable(remoteName) || control.SendCommand("MDTM " + remoteName) != kComplete)
        return std::nullopt;
    std::optional<ServerTime> time = TimeFromMdtmReply(control.ReplyText());
    if (!time)
        control.LogF("The reply to MDTM is not a time; the times of %s are not compared.",
                     remoteName.c_str());
    return time;
}
