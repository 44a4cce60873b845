#include "ftp/private_listing_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace {

constexpr std::string_view kPrefix = "quillmoor-listing-";

// The pid in a listing file's name (with or without the leading dot of a
// partial file), or 0 for any other name.
pid_t OwnerOf(std::string_view name) {
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    if (!name.starts_with(kPrefix)) return 0;
    name.remove_prefix(kPrefix.size());
    long pid = 0;
    std::size_t digits = 0;
    // Linux pids stay below 2^22: seven digits.
    while (digits < name.size() && digits < 7 && name[digits] >= '0' && name[digits] <= '9')
        pid = pid * 10 + (name[digits++] - '0');
    // The pid is followed by the mkstemp part or the old ".ftp" ending.
    if (digits == 0 || digits == name.size() || (name[digits] != '-' && name[digits] != '.')) return 0;
    return static_cast<pid_t>(pid);
}

// Only ESRCH says the process is gone: EPERM is a live process of another user.
bool ProcessEnded(pid_t pid) { return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH; }

bool RemoveIfOursAndRegular(int directoryFd, const char* name) {
    struct stat info {};
    if (fstatat(directoryFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(info.st_mode) || info.st_uid != getuid()) return false;
    return unlinkat(directoryFd, name, 0) == 0;
}

}  // namespace

int RemoveAbandonedListingFiles(const std::string& directory) {
    DIR* listing = opendir(directory.c_str());
    if (listing == nullptr) return 0;
    int removed = 0;
    while (const dirent* item = readdir(listing)) {
        if (ProcessEnded(OwnerOf(item->d_name)) && RemoveIfOursAndRegular(dirfd(listing), item->d_name))
            ++removed;
    }
    closedir(listing);
    return removed;
}
