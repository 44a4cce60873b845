#include "ftp/hash_reply.h"

#include <cctype>
#include <string_view>

namespace {

// Takes the next blank-separated word off text.
std::string_view NextWord(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text.remove_prefix(blank == std::string_view::npos ? text.size() : blank);
    return word;
}

// The digest in lower case, or empty (why set) when word is not length hex digits.
std::string HexDigest(std::string_view word, std::size_t length, std::string& why) {
    if (word.size() != length) {
        why =
            "the digest has " + std::to_string(word.size()) + " digits instead of " + std::to_string(length);
        return {};
    }
    std::string digest;
    for (char c : word) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            why = "the digest is not hexadecimal";
            return {};
        }
        digest.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return digest;
}

// A decimal count of at most 18 digits, or -1.
std::int64_t Count(std::string_view text) {
    if (text.empty() || text.size() > 18) return -1;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool CoversWholeFile(std::string_view range, std::int64_t fileSize) {
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos) return false;
    const std::int64_t start = Count(range.substr(0, dash));
    const std::int64_t end = Count(range.substr(dash + 1));
    if (start != 0 || end < 0) return false;
    return end == fileSize || (fileSize > 0 && end == fileSize - 1);
}

bool HasCode(const std::string& reply, const char* code) {
    return reply.size() > 4 && reply.compare(0, 3, code) == 0 && reply[3] == ' ';
}

}  // namespace

std::string DigestFromHashReply(const std::string& reply, HashAlgorithm algorithm, std::int64_t fileSize,
                                std::string& why) {
    if (!HasCode(reply, "213")) {
        why = "the reply is not 213";
        return {};
    }
    std::string_view rest = std::string_view(reply).substr(4);
    const std::string_view named = NextWord(rest);
    if (HashAlgorithmNamed(named) != algorithm) {
        why = "the reply names another algorithm than " + std::string(HashAlgorithmName(algorithm));
        return {};
    }
    if (!CoversWholeFile(NextWord(rest), fileSize)) {
        why = "the reply's range is not the whole file";
        return {};
    }
    return HexDigest(NextWord(rest), HexDigestLength(algorithm), why);
}

std::string DigestFromCommandReply(const std::string& reply, HashAlgorithm algorithm, std::string& why) {
    if (!HasCode(reply, "250")) {
        why = "the reply is not 250";
        return {};
    }
    std::string_view rest = std::string_view(reply).substr(4);
    return HexDigest(NextWord(rest), HexDigestLength(algorithm), why);
}
