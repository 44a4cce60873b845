#include "platform/net/host_port.h"

namespace net {

namespace {

bool ParsePort(const std::string& digits, int& port) {
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

}  // namespace

bool SplitHostPort(const std::string& text, std::string& host, int& port) {
    if (!text.empty() && text[0] == '[') {
        const std::string::size_type close = text.find(']');
        if (close == std::string::npos) return false;
        int value = 0;
        if (close + 1 < text.size() &&
            (text[close + 1] != ':' || !ParsePort(text.substr(close + 2), value))) {
            return false;
        }
        host = text.substr(1, close - 1);
        port = value;
        return true;
    }
    const std::string::size_type colon = text.rfind(':');
    if (colon == std::string::npos || text.find(':') != colon) {
        host = text;
        port = 0;
        return true;
    }
    int value = 0;
    if (!ParsePort(text.substr(colon + 1), value)) return false;
    host = text.substr(0, colon);
    port = value;
    return true;
}

}  // namespace net
