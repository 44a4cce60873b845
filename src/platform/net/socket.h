#pragma once

// A socket descriptor with one owner. It closes itself when it goes out of
// scope or is replaced, so no path can leak it or close it twice; moving hands
// the descriptor on and leaves the source empty.
namespace net {

class Socket {
public:
    static constexpr int kNone = -1;

    Socket() = default;
    explicit Socket(int fd) : fd(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : fd(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int Fd() const { return fd; }
    bool IsOpen() const { return fd != kNone; }
    // Gives the descriptor up without closing it.
    int Release();
    // Closes now: 0, or the error number close() reported. Linux frees the
    // descriptor even then, so the socket is empty afterwards either way.
    int Close();

private:
    int fd = kNone;
};

}  // namespace net
