#pragma once

#include <cstddef>
#include <string>

// A download is received into a temporary file beside its target and renamed
// over the target only once the transfer has succeeded, so a failed or
// cancelled download never destroys the file it would have replaced.
// Writes are gathered in a fixed buffer so the many small network reads do
// not each become a write to disk.
class PartialDownload {
public:
    PartialDownload() = default;
    ~PartialDownload();
    PartialDownload(const PartialDownload&) = delete;
    PartialDownload& operator=(const PartialDownload&) = delete;

    // Creates the temporary file beside target. On failure returns the
    // system's error number, else 0.
    int Create(const std::string& target);
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

    // Flushes, closes and renames the temporary file over the target.
    // Returns 0, or the system's error number (the temporary file is then removed).
    int Commit();
    // Closes and removes the temporary file; nothing happens to the target.
    void Discard();

private:
    int Flush();
    void Close();

    static constexpr std::size_t kBufferSize = 256 * 1024;

    int fd = -1;
    std::string target;
    std::string temporaryPath;
    char* buffer = nullptr;
    std::size_t buffered = 0;
};
