#include "platform/net/service_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>

namespace net {

int ServicePort(const std::string& serviceName, const std::string& protocolName) {
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (getservbyname_r(serviceName.c_str(), protocolName.c_str(), &entry, buffer, sizeof buffer, &found) !=
            0 ||
        found == nullptr) {
        return 0;
    }
    return ntohs(static_cast<std::uint16_t>(found->s_port));
}

int ProtocolNumber(const std::string& protocolName) {
    protoent entry{};
    protoent* found = nullptr;
    char buffer[1024];
    if (getprotobyname_r(protocolName.c_str(), &entry, buffer, sizeof buffer, &found) != 0 ||
        found == nullptr) {
        return -1;
    }
    return found->p_proto;
}

std::string DottedAddress(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

}  // namespace net
