#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// A download is received into a temporary file beside its target and renamed
// over the target only once the transfer has succeeded, so a failed or
// cancelled download never destroys the file it would have replaced.
// Writes are gathered in a fixed buffer so the many small network reads do
// not each become a write to disk. A link at the target is followed (the link
// stays, its target is replaced); a pipe or device there is written into.
class PartialDownload {
public:
    PartialDownload() = default;
    ~PartialDownload();
    PartialDownload(const PartialDownload&) = delete;
    PartialDownload& operator=(const PartialDownload&) = delete;

    // Waits until a pipe or device being written into takes more bytes;
    // false when the wait was cancelled or timed out.
    using WaitForRoom = std::function<bool(int fd)>;
    void SetWaitForRoom(WaitForRoom wait) { waitForRoom = std::move(wait); }

    // Creates the temporary file beside target (beside a link's target), or
    // opens the pipe or device at target. On failure returns the system's
    // error number, else 0; Refusal() then says why, when what is at target
    // is not to be written.
    int Create(const std::string& target);
    // Like Create, but a regular file (or nothing) at target is received into
    // the kept partial file "target.part" (see resume_plan.h), continued from
    // its end when resume is set and started afresh otherwise. A link, pipe or
    // device at target gets what Create gives it. A kept partial file stays
    // when the download is discarded, unless it is empty.
    int CreateKept(const std::string& target, bool resume);
    // The bytes already in the kept partial file when it was opened to resume.
    std::int64_t ResumeOffset() const { return resumeOffset; }
    // Empties the kept partial file, for a download that has to start again
    // (once its first bytes arrive).
    int Restart();
    // Where a kept partial file is (empty when the download does not keep one).
    const std::string& KeptPath() const { return keptPath; }
    // Told the path and size of a partial file that Discard kept.
    using KeptNotice = std::function<void(const std::string& path, std::int64_t bytes)>;
    void SetKeptNotice(KeptNotice notice) { keptNotice = std::move(notice); }

    const std::string& Refusal() const { return refusal; }
    bool IsOpen() const { return fd >= 0; }
    const std::string& TemporaryPath() const { return temporaryPath; }

    // Returns 0, or the system's error number of a failed write.
    int Write(const char* data, std::size_t length);

    // Room for at least size more bytes at the end of the write buffer, so a
    // receive can land there without a copy; flushes first when the buffer
    // is too full. nullptr with error set when that flush failed.
    char* Reserve(std::size_t size, int& error);
    // Counts size bytes placed in the room Reserve gave.
    void Advance(std::size_t size) { buffered += size; }

    // A step that failed: the system's error number (0: none) and what was
    // being done ("write /dl/a.bin", "rename /dl/.a.bin.1-2.part to /dl/a.bin").
    struct Failure {
        int error = 0;
        std::string step;
    };
    // Flushes, closes and renames the temporary file over the target. On a
    // failure the temporary file is removed (a kept partial file stays).
    Failure Commit();
    // Closes and removes the temporary file (keeps a kept partial file that has
    // bytes in it); nothing happens to the target.
    void Discard();

    // The file being received into (the kept partial or the temporary file;
    // empty while writing into a pipe or device).
    const std::string& WrittenPath() const { return keptPath.empty() ? temporaryPath : keptPath; }
    // Writes out what is buffered, so the received file can be read (to be
    // checked) before it replaces the target. Returns 0 or the error number.
    int WriteOut();
    // Closes the received file and renames it to aside instead of over the
    // target, for a file that must not take the target's place. Returns 0, or
    // the error number, when the file was left as Discard leaves it.
    int SetAside(const std::string& aside);

private:
    int Flush();
    int WriteAll(const char* data, std::size_t length);
    int OpenToWriteInto(const std::string& path);
    void Close();
    int OpenKept(const std::string& path, bool resume);
    void KeepPartial();
    int EmptyIfStartingAfresh();
    void StartBuffer();

    static constexpr std::size_t kBufferSize = 256 * 1024;

    int fd = -1;
    std::string target;
    std::string temporaryPath;  // empty while writing into a pipe or device
    std::string refusal;
    std::string keptPath;  // the kept partial file, when this download keeps one
    std::int64_t resumeOffset = 0;
    bool emptyBeforeWriting = false;  // a kept partial file started afresh, not emptied yet
    WaitForRoom waitForRoom;
    KeptNotice keptNotice;
    char* buffer = nullptr;
    std::size_t buffered = 0;
};
