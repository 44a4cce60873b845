// Name lookups in these tests never leave the machine: "localhost" is the
// loopback addresses, every other name is unknown, and names ending in
// ".slow.invalid" take a while to be found unknown, as a slow name server
// would, so that a caller can stop waiting for them.
#include <netdb.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/host_resolver.h"

namespace {

int AnswerOffline(const std::string& hostName, std::vector<net::SocketAddress>& addresses) {
    if (hostName == "localhost") {
        for (const char* text : {"::1", "127.0.0.1"}) {
            net::SocketAddress address;
            if (net::SocketAddress::FromText(text, address)) addresses.push_back(address);
        }
        return 0;
    }
    const std::string slow = ".slow.invalid";
    if (hostName.size() > slow.size() && hostName.compare(hostName.size() - slow.size(), slow.size(), slow) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return EAI_NONAME;
}

const bool installed = [] {
    net::HostResolver::ReplaceNameLookup(AnswerOffline);
    return true;
}();

}  // namespace
