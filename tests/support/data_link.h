#pragma once

#include <chrono>
#include <string>

namespace testsupport {

// One end of a test's TCP connection (a scripted data connection): owns the
// descriptor and closes it on destruction.
class DataLink {
public:
    DataLink() = default;
    explicit DataLink(int fd) : fd(fd) {}
    ~DataLink() { Close(); }
    DataLink(DataLink&& other) noexcept : fd(other.fd) { other.fd = -1; }
    DataLink& operator=(DataLink&& other) noexcept;
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    bool IsOpen() const { return fd >= 0; }
    int Fd() const { return fd; }

    bool SendAll(const std::string& bytes);
    // Reads until the peer closes or the limit passes.
    std::string ReadAll(std::chrono::milliseconds limit);
    // Orderly close (FIN) and abortive close (RST).
    void Close();
    void Reset();

    // Connects to host:port on 127.0.0.x from a chosen local address.
    static DataLink Connect(const std::string& address, unsigned short port,
                            const std::string& fromAddress = "127.0.0.1");

private:
    int fd = -1;
};

}  // namespace testsupport
