#include "sites/store/atomic_file.h"

#include <fcntl.h>
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
    std::error_code ignored;
    std::string path = requestedPath;
    if (std::filesystem::is_symlink(requestedPath, ignored)) {
        const std::filesystem::path linked = std::filesystem::weakly_canonical(requestedPath, ignored);
        if (!linked.empty()) path = linked.string();
    }
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
