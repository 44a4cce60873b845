#include "sites/store/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* KindOfFile(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& error) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT) return FileRead::Missing;
        error = std::strerror(errno);
        return FileRead::Failed;
    }
    struct stat info {};
    const bool known = ::fstat(descriptor, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        error = known ? std::string("it is ") + KindOfFile(info.st_mode) : std::strerror(errno);
        ::close(descriptor);
        return FileRead::Failed;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            ::close(descriptor);
            return FileRead::Failed;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(descriptor);
    return FileRead::Read;
}
