#include "ftp/hash_algorithm.h"

#include <cctype>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

constexpr HashAlgorithm kAll[] = {HashAlgorithm::Sha256, HashAlgorithm::Sha1, HashAlgorithm::Md5,
                                  HashAlgorithm::Crc32};

}  // namespace

std::string_view HashAlgorithmName(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha256:
            return "SHA-256";
        case HashAlgorithm::Sha1:
            return "SHA-1";
        case HashAlgorithm::Md5:
            return "MD5";
        case HashAlgorithm::Crc32:
            return "CRC32";
    }
    return "";
}

std::optional<HashAlgorithm> HashAlgorithmNamed(std::string_view name) {
    for (HashAlgorithm algorithm : kAll)
        if (SameIgnoringCase(name, HashAlgorithmName(algorithm))) return algorithm;
    return std::nullopt;
}

std::size_t HexDigestLength(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha256:
            return 64;
        case HashAlgorithm::Sha1:
            return 40;
        case HashAlgorithm::Md5:
            return 32;
        case HashAlgorithm::Crc32:
            return 8;
    }
    return 0;
}
