#include "platform/net/host_port.h"

namespace net {

bool SplitHostPort(const std::string& text, std::string& host, int& port) {
    const std::string::size_type colon = text.rfind(':');
    if (colon == std::string::npos) {
        host = text;
        port = 0;
        return true;
    }
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    host = text.substr(0, colon);
    port = value;
    return true;
}

}  // namespace net
