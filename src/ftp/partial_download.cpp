#include "ftp/partial_download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "ftp/download_target.h"
#include "ftp/resume_plan.h"

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
    keptNotice = nullptr;  // whoever listens may be gone already
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
            StartBuffer();
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
    StartBuffer();
    return 0;
}

void PartialDownload::StartBuffer() {
    if (buffer == nullptr) buffer = new char[kBufferSize];
    buffered = 0;
}

int PartialDownload::CreateKept(const std::string& targetPath, bool resume) {
    struct stat info {};
    const bool absent = lstat(targetPath.c_str(), &info) != 0 && errno == ENOENT;
    const std::string partial = PartialFilePath(targetPath);
    const std::size_t slash = partial.rfind('/');
    const bool nameFits = partial.size() - (slash == std::string::npos ? 0 : slash + 1) <= NAME_MAX;
    // Only a plain file is continued: a link's target may live anywhere, a
    // pipe or device has no end to continue from.
    if ((!absent && !S_ISREG(info.st_mode)) || !nameFits) return Create(targetPath);
    Discard();
    refusal.clear();
    target = targetPath;
    return OpenKept(partial, resume);
}

// The partial file is opened without following a link and without blocking
// on a pipe, and used only when it is a regular file: something planted under
// its name is never written through.
int PartialDownload::OpenKept(const std::string& path, bool resume) {
    const int opened = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (opened < 0) {
        const int error = errno;
        if (error == ELOOP) refusal = "Refused to download into " + path + ": it is a link.";
        return error;
    }
    struct stat info {};
    if (fstat(opened, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(opened);
        refusal = "Refused to download into " + path + ": it is not a regular file.";
        return EPERM;
    }
    fd = opened;
    keptPath = path;
    resumeOffset = resume ? static_cast<std::int64_t>(info.st_size) : 0;
    // Starting afresh empties the file only once the first bytes arrive: a
    // download refused before then leaves the old partial file as it was.
    emptyBeforeWriting = resumeOffset == 0;
    if (::lseek(fd, resumeOffset, SEEK_SET) < 0) {
        const int error = errno;
        Close();
        keptPath.clear();
        return error;
    }
    StartBuffer();
    return 0;
}

int PartialDownload::Restart() {
    if (fd < 0 || keptPath.empty()) return EBADF;
    buffered = 0;
    resumeOffset = 0;
    emptyBeforeWriting = true;
    return 0;
}

int PartialDownload::EmptyIfStartingAfresh() {
    if (!emptyBeforeWriting || keptPath.empty()) return 0;
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) < 0) return errno;
    emptyBeforeWriting = false;
    return 0;
}

int PartialDownload::Write(const char* data, std::size_t length) {
    if (fd < 0) return EBADF;
    if (int error = EmptyIfStartingAfresh()) return error;
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
    if ((error = EmptyIfStartingAfresh()) != 0) return nullptr;
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

// The last buffered bytes go out here, so a full disk often shows first at
// the commit: the failure names the step, not only the target.
PartialDownload::Failure PartialDownload::Commit() {
    if (fd < 0) return {EBADF, "write " + target};
    int error = EmptyIfStartingAfresh();
    if (error == 0) error = Flush();
    if (::close(fd) != 0 && error == 0) error = errno;
    fd = -1;
    Failure failure{error, "write " + target};
    const std::string written = keptPath.empty() ? temporaryPath : keptPath;
    if (error == 0 && !written.empty() && ::rename(written.c_str(), target.c_str()) != 0)
        failure = {errno, "rename " + written + " to " + target};
    // A kept partial file that cannot take its place stays for another try.
    if (failure.error != 0 && keptPath.empty() && !temporaryPath.empty()) ::unlink(temporaryPath.c_str());
    keptPath.clear();
    temporaryPath.clear();
    return failure.error != 0 ? failure : Failure{};
}

int PartialDownload::WriteOut() {
    if (fd < 0) return EBADF;
    if (int error = EmptyIfStartingAfresh()) return error;
    return Flush();
}

int PartialDownload::SetAside(const std::string& aside) {
    const std::string written = WrittenPath();
    int error = written.empty() ? EINVAL : WriteOut();
    if (error == 0 && ::rename(written.c_str(), aside.c_str()) != 0) error = errno;
    if (error != 0) {
        Discard();
        return error;
    }
    Close();
    keptPath.clear();
    temporaryPath.clear();
    resumeOffset = 0;
    emptyBeforeWriting = false;
    return 0;
}

void PartialDownload::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    buffered = 0;
}

void PartialDownload::Discard() {
    if (!keptPath.empty()) {
        KeepPartial();
        return;
    }
    Close();
    if (!temporaryPath.empty()) ::unlink(temporaryPath.c_str());
    temporaryPath.clear();
}

// What has arrived stays in the partial file, written out in full first; an
// empty one is not worth keeping.
void PartialDownload::KeepPartial() {
    const bool untouched = emptyBeforeWriting;
    if (fd >= 0 && !untouched) Flush();
    struct stat info {};
    const bool hasBytes = fd >= 0 && fstat(fd, &info) == 0 && info.st_size > 0;
    Close();
    if (hasBytes && untouched) {
        // Nothing arrived this time: the file is as an earlier download left it.
    } else if (hasBytes) {
        if (keptNotice) keptNotice(keptPath, static_cast<std::int64_t>(info.st_size));
    } else {
        ::unlink(keptPath.c_str());
    }
    keptPath.clear();
    resumeOffset = 0;
    emptyBeforeWriting = false;
}
