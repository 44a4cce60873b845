#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/socket_address.h"

namespace net {

enum class ResolveStatus { Found, NotFound, Woken, TimedOut };

// Looks host names up (IPv6 and IPv4) without blocking the caller beyond its wake
// descriptor and time limit. getaddrinfo() cannot be interrupted, so each
// lookup runs on a thread that this object owns; a caller that is woken or
// times out simply stops waiting, and the thread is joined later (at the next
// lookup once it has finished, or in the destructor).
class HostResolver {
public:
    HostResolver() = default;
    ~HostResolver();
    HostResolver(const HostResolver&) = delete;
    HostResolver& operator=(const HostResolver&) = delete;

    // A numeric IPv4 or IPv6 address is parsed at once, without a lookup.
    // Found gives every address of the name, in the order the system prefers
    // them (ports 0); errorCode is the socket error number (11001 ...) when
    // the result is NotFound.
    ResolveStatus Resolve(const std::string& hostName, int wakeFd, std::chrono::milliseconds timeout,
                          std::vector<SocketAddress>& addresses, int& errorCode);

    // Replaces getaddrinfo() for names that are not numeric addresses: tests
    // answer unknown names themselves, so that no lookup ever leaves the
    // machine. It returns 0 or a getaddrinfo() error (EAI_NONAME ...). Set it
    // before any lookup starts; an empty function restores getaddrinfo().
    using NameLookup = std::function<int(const std::string& hostName, std::vector<SocketAddress>& addresses)>;
    static void ReplaceNameLookup(NameLookup lookup);

private:
    struct Lookup;
    void JoinFinished();

    std::vector<std::pair<std::shared_ptr<Lookup>, std::thread>> lookups;
};

}  // namespace net
