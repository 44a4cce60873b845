#include "ftp/partial_download.h"

#include "ftp/download_target.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<unsigned> temporaryCounter{0};

// ".NAME.PID-N.part" in the target's directory; a long name is shortened so the
// temporary name stays within the file system's limit.
std::string TemporaryNameBeside(const std::string& target, unsigned attempt) {
    std::size_t slash = target.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.size() > 180) base.resize(180);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld-%u.part", static_cast<long>(getpid()), attempt);
    return directory + "." + base + suffix;
}

}  // namespace

PartialDownload::~PartialDownload() {
    Discard();
    delete[] buffer;
}

int PartialDownload::Create(const std::string& targetPath) {
    Discard();
    refusal.clear();
    const DownloadTarget chosen = DownloadTarget::For(targetPath);
    target = chosen.path;
    if (chosen.way == DownloadTarget::Way::Refuse) {
        refusal = chosen.refusal;
        return EPERM;
    }
    if (chosen.way == DownloadTarget::Way::WriteInto) return OpenToWriteInto(targetPath);
    for (int tries = 0; tries < 100; ++tries) {
        std::string candidate = TemporaryNameBeside(target, temporaryCounter.fetch_add(1));
        // O_EXCL: never follow or reuse something another process put there.
        int opened = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (opened >= 0) {
            fd = opened;
            temporaryPath = candidate;
            if (buffer == nullptr) buffer = new char[kBufferSize];
            buffered = 0;
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Pipes and devices are written straight into: replacing one with a regular
// file would break whatever reads from it. Opened without blocking, so that a
// pipe nobody reads from fails at once instead of holding the worker.
int PartialDownload::OpenToWriteInto(const std::string& shownPath) {
    const int opened = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) {
        const int error = errno;
        if (error == ENXIO) refusal = "Refused to download into " + shownPath + ": no program reads from the pipe.";
        return error;
    }
    fd = opened;
    if (buffer == nullptr) buffer = new char[kBufferSize];
    buffered = 0;
    return 0;
}

int PartialDownload::Write(const char* data, std::size_t length) {
    if (fd < 0) return EBADF;
    if (buffered + length > kBufferSize) {
        if (int error = Flush()) return error;
    }
    if (length >= kBufferSize) return WriteAll(data, length);
    std::memcpy(buffer + buffered, data, length);
    buffered += length;
    return 0;
}

char* PartialDownload::Reserve(std::size_t size, int& error) {
    error = 0;
    if (fd < 0) {
        error = EBADF;
        return nullptr;
    }
    if (buffered + size > kBufferSize && (error = Flush()) != 0) return nullptr;
    return buffer + buffered;
}

int PartialDownload::Flush() {
    const int error = WriteAll(buffer, buffered);
    if (error == 0) buffered = 0;
    return error;
}

int PartialDownload::WriteAll(const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // A full pipe: wait for its reader, within Cancel's reach.
            if (waitForRoom && waitForRoom(fd)) continue;
            return ECANCELED;
        }
        if (n < 0) return errno;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return 0;
}

int PartialDownload::Commit() {
    if (fd < 0) return EBADF;
    int error = Flush();
    if (::close(fd) != 0 && error == 0) error = errno;
    fd = -1;
    if (temporaryPath.empty()) return error;  // written into a pipe or device
    if (error == 0 && ::rename(temporaryPath.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporaryPath.c_str());
    temporaryPath.clear();
    return error;
}

void PartialDownload::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    buffered = 0;
}

void PartialDownload::Discard() {
    Close();
    if (!temporaryPath.empty()) ::unlink(temporaryPath.c_str());
    temporaryPath.clear();
}
