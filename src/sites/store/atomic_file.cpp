#include "sites/store/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::string SystemError(const std::string& step, const std::string& what) {
    return step + " " + what + ": " + std::strerror(errno);
}

// Creates missing directories above the file, each private to the owner.
bool MakeParentDirectories(const std::filesystem::path& directory, std::string& error) {
    if (directory.empty()) return true;
    struct stat info {};
    if (::stat(directory.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        error = directory.string() + " is not a directory";
        return false;
    }
    if (!MakeParentDirectories(directory.parent_path(), error)) return false;
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        error = SystemError("cannot create directory", directory.string());
        return false;
    }
    return true;
}

bool WriteAll(int descriptor, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The file the caller named, or the one a link there points to: that is the
// file replaced, and its temporaries lie beside it.
std::string ReplacedFile(const std::string& requestedPath) {
    std::error_code ignored;
    if (!std::filesystem::is_symlink(requestedPath, ignored)) return requestedPath;
    const std::filesystem::path linked = std::filesystem::weakly_canonical(requestedPath, ignored);
    return linked.empty() ? requestedPath : linked.string();
}

// mkstemp's six characters after "<name>."
bool IsTemporaryOf(const std::string& candidate, const std::string& name) {
    return candidate.size() == name.size() + 7 && candidate.starts_with(name) &&
           candidate[name.size()] == '.';
}

// Makes the rename itself durable; failure here no longer endangers any data.
void SyncDirectory(const std::filesystem::path& directory) {
    const int descriptor =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& requestedPath, const std::string& bytes, std::string& error) {
    // A link to the file stays a link: the file it points to is the one replaced.
    const std::string path = ReplacedFile(requestedPath);
    const std::filesystem::path target(path);
    const std::filesystem::path directory = target.parent_path();
    if (!MakeParentDirectories(directory, error)) return false;

    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkstemp creates the file with mode 0600.
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        error = SystemError("cannot create a temporary file beside", path);
        return false;
    }
    const std::string temporary(name.data());
    // Held until the descriptor closes (or the process dies): a lock anyone
    // can take marks a temporary whose writer is gone.
    ::flock(descriptor, LOCK_EX);

    bool ok = true;
    if (!WriteAll(descriptor, bytes)) {
        error = SystemError("cannot write", temporary);
        ok = false;
    } else if (::fsync(descriptor) != 0) {
        error = SystemError("cannot flush", temporary);
        ok = false;
    }
    if (::close(descriptor) != 0 && ok) {
        error = SystemError("cannot close", temporary);
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = SystemError("cannot replace", path);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(directory);
    return true;
}

int RemoveAbandonedTemporaries(const std::string& requestedPath) {
    const std::filesystem::path target(ReplacedFile(requestedPath));
    const std::string name = target.filename().string();
    std::error_code status;
    std::filesystem::directory_iterator entries(target.parent_path().empty() ? "." : target.parent_path(),
                                                status);
    int removed = 0;
    for (; !status && entries != std::filesystem::directory_iterator(); entries.increment(status)) {
        const std::filesystem::path& candidate = entries->path();
        if (!IsTemporaryOf(candidate.filename().string(), name)) continue;
        const int descriptor = ::open(candidate.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat info {};
        if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid() &&
            ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::unlink(candidate.c_str()) == 0)
            ++removed;
        ::close(descriptor);
    }
    return removed;
}
