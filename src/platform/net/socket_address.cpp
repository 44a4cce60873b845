#include "platform/net/socket_address.h"

#include <arpa/inet.h>

#include <cstring>

namespace net {

SocketAddress::SocketAddress(const sockaddr_in& address) { std::memcpy(&storage, &address, sizeof address); }

bool SocketAddress::FromText(const std::string& text, SocketAddress& address) {
    address = SocketAddress();
    sockaddr_in v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        address = SocketAddress(v4);
        return true;
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        std::memcpy(&address.storage, &v6, sizeof v6);
        return true;
    }
    return false;
}

bool SocketAddress::ReadLocal(int socket, SocketAddress& address) {
    socklen_t length = address.Capacity();
    return getsockname(socket, address.Raw(), &length) == 0;
}

bool SocketAddress::ReadPeer(int socket, SocketAddress& address) {
    socklen_t length = address.Capacity();
    return getpeername(socket, address.Raw(), &length) == 0;
}

socklen_t SocketAddress::Length() const { return IsIpv6() ? sizeof(sockaddr_in6) : sizeof(sockaddr_in); }

unsigned SocketAddress::Port() const { return ntohs(IsIpv6() ? V6().sin6_port : V4().sin_port); }

void SocketAddress::SetPort(unsigned port) {
    const auto value = htons(static_cast<std::uint16_t>(port));
    if (IsIpv6()) {
        reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = value;
    } else {
        reinterpret_cast<sockaddr_in*>(&storage)->sin_port = value;
    }
}

std::string SocketAddress::HostText() const {
    char text[INET6_ADDRSTRLEN] = {};
    if (IsIpv6()) {
        inet_ntop(AF_INET6, &V6().sin6_addr, text, sizeof text);
    } else {
        inet_ntop(AF_INET, &V4().sin_addr, text, sizeof text);
    }
    return text;
}

bool SocketAddress::SameHost(const SocketAddress& other) const {
    if (Family() != other.Family()) return false;
    if (IsIpv6()) return std::memcmp(&V6().sin6_addr, &other.V6().sin6_addr, sizeof(in6_addr)) == 0;
    return V4().sin_addr.s_addr == other.V4().sin_addr.s_addr;
}

std::uint32_t SocketAddress::Ipv4() const { return IsIpv4() ? ntohl(V4().sin_addr.s_addr) : 0; }

}  // namespace net
