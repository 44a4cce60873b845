#include "ftp/socket_error_text.h"

#include <cstring>

#include "platform/net/socket_error_codes.h"

namespace {

struct ErrorText {
    int code;
    const char* text;
};

constexpr ErrorText kTexts[] = {
    {10004, "Cancelled."},
    {10022, "Problem with incompatible application"},
    {10024, "A file descriptor is not available."},
    {10035, "socket marked as non-blocking and SO_LINGER set not 0"},
    {10036, "Cannot start another operation while an operation is blocking."},
    {10038, "The descriptor is not a socket."},
    {10041, "The wrong protocol is being used for this socket."},
    {10043, "The protocol being used is not supported."},
    {10044, "The socket type is not supported for this address family."},
    {10047, "The address type is not supported."},
    {10048, "The address was already in use."},
    {10049, "That address is not available."},
    {10050, "Network is down"},
    {10053, "The connection was aborted."},
    {10054, "The connection was reset."},
    {10055, "WSA out of memory."},
    {10057, "Not connected, connect to a site first."},
    {10060, "Connection timed out, try connecting again."},
    {10064, "The host is down."},
    {10065, "That host is unreachable."},
    {10091, "WinSock is not ready or not responding"},
    {10092, "This version of WinSock is not supported"},
    {10093, "WinSock is not initialized"},
    {11001, "That host was not found"},
    {11002, "The host was not found, try again."},
    {11003, "Command was refused and no recovery can be made."},
    {11004, "Valid name, no data record for type"},
};

// The system's text for an errno, or empty when the system has none
// (glibc answers unknown numbers with "Unknown error N").
std::string SystemText(int errnoValue) {
    char buffer[128] = {};
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    if (text == nullptr || *text == '\0' || std::strncmp(text, "Unknown error", 13) == 0) return {};
    return std::string(text).substr(0, 127);
}

}  // namespace

std::string SocketErrorText(int code) {
    for (const ErrorText& row : kTexts) {
        if (row.code == code) return row.text;
    }
    int errnoValue = net::ErrnoFromSocketError(code);
    if (errnoValue == 0 && code > 0 && code < 10000) errnoValue = code;
    if (errnoValue != 0) {
        std::string text = SystemText(errnoValue);
        if (!text.empty()) return text;
    }
    return "error " + std::to_string(static_cast<unsigned>(code));
}

std::string SystemErrorText(int errnoValue) {
    std::string text = SystemText(errnoValue);
    return text.empty() ? "error " + std::to_string(errnoValue) : text;
}
