#include "ftp/ascii_line_ends.h"

#include <cstring>

std::size_t AsciiReceiveConverter::Convert(char* data, std::size_t length) {
    // The held-back CR goes in front unless the block starts with its LF.
    std::size_t out = 0;
    std::size_t in = 0;
    if (pendingCr && length > 0) {
        pendingCr = false;
        if (data[0] != '\n') {
            std::memmove(data + 1, data, length);
            data[0] = '\r';
            ++length;
            in = 1;
            out = 1;
        }
    }
    // Runs without a CR are moved as a whole; only the CRs are looked at.
    while (in < length) {
        const char* found = static_cast<const char*>(std::memchr(data + in, '\r', length - in));
        const std::size_t cr = found != nullptr ? static_cast<std::size_t>(found - data) : length;
        if (out != in) std::memmove(data + out, data + in, cr - in);
        out += cr - in;
        in = cr;
        if (in == length) break;
        if (in + 1 == length) {
            pendingCr = true;
            break;
        }
        if (data[in + 1] != '\n') data[out++] = '\r';
        ++in;
    }
    return out;
}

std::size_t AsciiReceiveConverter::Finish(char* data) {
    if (!pendingCr) return 0;
    pendingCr = false;
    data[0] = '\r';
    return 1;
}

std::size_t AsciiSendConverter::Convert(const char* in, std::size_t length, char* out) {
    std::size_t written = 0;
    for (std::size_t i = 0; i < length; ++i) {
        char c = in[i];
        if (c == '\n' && !lastWasCr) out[written++] = '\r';
        out[written++] = c;
        lastWasCr = (c == '\r');
    }
    return written;
}
