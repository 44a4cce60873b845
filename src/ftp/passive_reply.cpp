#include "ftp/passive_reply.h"

#include <cctype>

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Reads a number of at most maxDigits digits at text[at], moving at past it.
bool ReadNumber(const std::string& text, std::size_t& at, std::size_t maxDigits, unsigned long& value) {
    const std::size_t begin = at;
    value = 0;
    while (at < text.size() && IsDigit(text[at])) {
        if (at - begin == maxDigits) return false;
        value = value * 10 + static_cast<unsigned long>(text[at] - '0');
        ++at;
    }
    return at > begin;
}

// The reply code is three digits; what follows starts at index 3.
constexpr std::size_t kAfterCode = 3;

}  // namespace

bool PassiveReply::ParseEpsv(const std::string& replyText, PassiveReply& reply) {
    const std::size_t open = replyText.find('(', kAfterCode);
    if (open == std::string::npos || open + 4 >= replyText.size()) return false;
    const char delimiter = replyText[open + 1];
    if (delimiter < 33 || delimiter > 126 || IsDigit(delimiter)) return false;
    if (replyText[open + 2] != delimiter || replyText[open + 3] != delimiter) return false;
    std::size_t at = open + 4;
    unsigned long port = 0;
    if (!ReadNumber(replyText, at, 5, port) || port == 0 || port > 65535) return false;
    if (at + 1 >= replyText.size() || replyText[at] != delimiter || replyText[at + 1] != ')') return false;
    reply.address = 0;
    reply.port = static_cast<std::uint16_t>(port);
    return true;
}

bool PassiveReply::ParsePasv(const std::string& replyText, PassiveReply& reply) {
    std::size_t at = kAfterCode;
    while (at < replyText.size() && !IsDigit(replyText[at])) ++at;
    unsigned long numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (at >= replyText.size() || replyText[at] != ',') return false;
            ++at;
        }
        if (!ReadNumber(replyText, at, 3, numbers[i]) || numbers[i] > 255) return false;
    }
    // A seventh number or a longer one is not the reply of a well-behaved server.
    if (at < replyText.size() && (replyText[at] == ',' || IsDigit(replyText[at]))) return false;
    const unsigned long port = numbers[4] * 256 + numbers[5];
    if (port == 0) return false;
    reply.address =
        static_cast<std::uint32_t>((numbers[0] << 24) | (numbers[1] << 16) | (numbers[2] << 8) | numbers[3]);
    reply.port = static_cast<std::uint16_t>(port);
    return true;
}
