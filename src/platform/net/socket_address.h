#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>

namespace net {

// An IPv4 or IPv6 socket address, whichever the connection uses. PORT and
// PASV can only speak of IPv4, so callers ask IsIpv4() before using them.
class SocketAddress {
public:
    SocketAddress() = default;
    explicit SocketAddress(const sockaddr_in& address);

    // A numeric IPv4 or IPv6 address ("127.0.0.1", "::1"); false otherwise.
    static bool FromText(const std::string& text, SocketAddress& address);
    // The local (ReadLocal) or remote (ReadPeer) end of a connected socket.
    static bool ReadLocal(int socket, SocketAddress& address);
    static bool ReadPeer(int socket, SocketAddress& address);

    bool IsIpv4() const { return storage.ss_family == AF_INET; }
    bool IsIpv6() const { return storage.ss_family == AF_INET6; }
    int Family() const { return storage.ss_family; }
    socklen_t Length() const;
    unsigned Port() const;
    void SetPort(unsigned port);
    // The address without its port ("127.0.0.1", "::1").
    std::string HostText() const;
    // Both name the same host (ports aside).
    bool SameHost(const SocketAddress& other) const;
    // IPv4 address in host byte order; 0 for IPv6.
    std::uint32_t Ipv4() const;

    sockaddr* Raw() { return reinterpret_cast<sockaddr*>(&storage); }
    const sockaddr* Raw() const { return reinterpret_cast<const sockaddr*>(&storage); }
    socklen_t Capacity() const { return sizeof storage; }

private:
    const sockaddr_in& V4() const { return *reinterpret_cast<const sockaddr_in*>(&storage); }
    const sockaddr_in6& V6() const { return *reinterpret_cast<const sockaddr_in6*>(&storage); }

    sockaddr_storage storage{};
};

}  // namespace net
