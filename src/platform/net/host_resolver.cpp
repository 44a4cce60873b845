#include "platform/net/host_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/net/socket_error_codes.h"
#include "platform/net/socket_wait.h"

namespace net {

namespace {
// A function-local static: tests replace it from their own static initialisers.
HostResolver::NameLookup& ReplacedNameLookup() {
    static HostResolver::NameLookup lookup;
    return lookup;
}
}  // namespace

void HostResolver::ReplaceNameLookup(NameLookup lookup) { ReplacedNameLookup() = std::move(lookup); }

struct HostResolver::Lookup {
    explicit Lookup(std::string name) : hostName(std::move(name)), doneFd(eventfd(0, EFD_CLOEXEC)) {}
    ~Lookup() {
        if (doneFd >= 0) close(doneFd);
    }
    void Run() {
        if (const NameLookup& replaced = ReplacedNameLookup()) {
            Finish(replaced(hostName, addresses));
            return;
        }
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        int result = getaddrinfo(hostName.c_str(), nullptr, &hints, &found);
        for (const addrinfo* entry = result == 0 ? found : nullptr; entry != nullptr;
             entry = entry->ai_next) {
            if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
            SocketAddress address;
            if (entry->ai_addrlen > address.Capacity()) continue;
            std::memcpy(address.Raw(), entry->ai_addr, entry->ai_addrlen);
            addresses.push_back(address);
        }
        if (found != nullptr) freeaddrinfo(found);
        Finish(result);
    }

    void Finish(int result) {
        if (result == 0 && addresses.empty()) result = EAI_NONAME;
        gaiResult = result;
        done.store(true);
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(doneFd, &one, sizeof one);
    }

    const std::string hostName;
    const int doneFd;
    std::atomic<bool> done{false};
    int gaiResult = 0;  // written before done is set
    std::vector<SocketAddress> addresses;
};

HostResolver::~HostResolver() {
    for (auto& [lookup, thread] : lookups) thread.join();
}

void HostResolver::JoinFinished() {
    for (auto it = lookups.begin(); it != lookups.end();) {
        if (it->first->done.load()) {
            it->second.join();
            it = lookups.erase(it);
        } else {
            ++it;
        }
    }
}

ResolveStatus HostResolver::Resolve(const std::string& hostName, int wakeFd,
                                    std::chrono::milliseconds timeout, std::vector<SocketAddress>& addresses,
                                    int& errorCode) {
    JoinFinished();
    errorCode = 0;
    addresses.clear();
    SocketAddress numeric;
    if (SocketAddress::FromText(hostName, numeric)) {
        addresses.push_back(numeric);
        return ResolveStatus::Found;
    }
    if (hostName.empty()) {
        errorCode = kErrorHostNotFound;
        return ResolveStatus::NotFound;
    }
    auto lookup = std::make_shared<Lookup>(hostName);
    if (lookup->doneFd < 0) {
        errorCode = SocketErrorFromErrno(errno);
        return ResolveStatus::NotFound;
    }
    std::thread thread([lookup] { lookup->Run(); });
    lookups.emplace_back(lookup, std::move(thread));

    switch (WaitForSocket(lookup->doneFd, POLLIN, wakeFd, timeout)) {
        case WaitStatus::Woken:
            return ResolveStatus::Woken;
        case WaitStatus::TimedOut:
            return ResolveStatus::TimedOut;
        case WaitStatus::Failed:
            errorCode = SocketErrorFromErrno(errno);
            return ResolveStatus::NotFound;
        case WaitStatus::Ready:
            break;
    }
    // The eventfd said "done"; the atomic makes the results visible to this thread.
    if (!lookup->done.load(std::memory_order_acquire)) {
        errorCode = kErrorNoRecovery;
        return ResolveStatus::NotFound;
    }
    if (lookup->gaiResult != 0) {
        errorCode = SocketErrorFromResolver(lookup->gaiResult);
        return ResolveStatus::NotFound;
    }
    addresses = lookup->addresses;
    return ResolveStatus::Found;
}

}  // namespace net
