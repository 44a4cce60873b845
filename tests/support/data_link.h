#pragma once

#include <sys/socket.h>

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

    // Connects to address:port (127.0.0.x or ::1), from a chosen local
    // address when one is given.
    static DataLink Connect(const std::string& address, unsigned short port,
                            const std::string& fromAddress = "");

private:
    int fd = -1;
};

// A numeric IPv4 or IPv6 address and a port as a socket address; false when
// the text is not such an address.
bool MakeSocketAddress(const std::string& address, unsigned short port, sockaddr_storage& into,
                       socklen_t& length);
// "127.0.0.1:PORT", "[::1]:PORT": a host text for a server on address.
std::string HostTextOf(const std::string& address, unsigned short port);
// A listening socket on a loopback address (127.0.0.1, ::1) and a port the
// system chooses; throws when it cannot listen.
int ListenOnLoopback(const std::string& address, int backlog, unsigned short& port);

}  // namespace testsupport
