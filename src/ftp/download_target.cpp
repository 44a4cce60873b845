#include "ftp/download_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

constexpr int kMostLinksFollowed = 40;  // the system's own limit for a path

DownloadTarget Refused(const std::string& path, const char* why) {
    return {DownloadTarget::Way::Refuse, path, "Refused to download into " + path + ": " + why};
}

// The path a link names, relative to the directory that holds the link.
bool ReadLinkTarget(const std::string& link, std::size_t size, std::string& target) {
    std::vector<char> buffer(size + 2);
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) return false;
    target.assign(buffer.data(), static_cast<std::size_t>(length));
    if (!target.empty() && target[0] != '/') {
        const std::size_t slash = link.rfind('/');
        if (slash != std::string::npos) target = link.substr(0, slash + 1) + target;
    }
    return !target.empty();
}

}  // namespace

DownloadTarget DownloadTarget::For(const std::string& path) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        // Nothing there (or nothing that can be looked at): a new file, which
        // the temporary file's creation then makes or fails to make.
        if (lstat(current.c_str(), &info) != 0) return {Way::Replace, current, {}};
        if (S_ISREG(info.st_mode)) return {Way::Replace, current, {}};
        if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
            return {Way::WriteInto, current, {}};
        }
        if (S_ISDIR(info.st_mode)) return Refused(path, "it is a directory.");
        if (!S_ISLNK(info.st_mode)) return Refused(path, "it is not a file, a link, a pipe or a device.");
        if (links == kMostLinksFollowed) return Refused(path, "too many links in a row.");
        // As the system does in shared directories: a link that another user
        // planted must not steer the download onto one of our files.
        if (info.st_uid != geteuid() && info.st_uid != 0) {
            return Refused(path, "the link belongs to another user.");
        }
        std::string next;
        if (!ReadLinkTarget(current, static_cast<std::size_t>(info.st_size), next)) {
            return Refused(path, "the link cannot be read.");
        }
        current = next;
    }
}
