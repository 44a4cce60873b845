#include "ftp/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kBlockSize = 256 * 1024;

// OpenSSL has no CRC-32, so the usual reflected table is built once.
const std::array<std::uint32_t, 256>& CrcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    return table;
}

const EVP_MD* DigestOf(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha256:
            return EVP_sha256();
        case HashAlgorithm::Sha1:
            return EVP_sha1();
        case HashAlgorithm::Md5:
            return EVP_md5();
        case HashAlgorithm::Crc32:
            break;
    }
    return nullptr;
}

std::string Hex(const unsigned char* bytes, std::size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0xF]);
    }
    return text;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

unsigned long UpdateCrc32(unsigned long crc, const unsigned char* bytes, std::size_t length) {
    const auto& table = CrcTable();
    std::uint32_t c = static_cast<std::uint32_t>(crc) ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) c = table[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string FileDigest(const std::string& path, HashAlgorithm algorithm, int& error,
                       const std::function<bool()>& stop) {
    error = 0;
    // Without blocking: something other than a regular file is refused
    // rather than waited on.
    FdCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0) {
        error = errno;
        return {};
    }
    struct stat info {};
    if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = EINVAL;
        return {};
    }
    std::unique_ptr<EVP_MD_CTX, DigestContextFree> context;
    if (const EVP_MD* digest = DigestOf(algorithm)) {
        context.reset(EVP_MD_CTX_new());
        if (!context || EVP_DigestInit_ex(context.get(), digest, nullptr) != 1) {
            error = ENOMEM;
            return {};
        }
    }
    unsigned long crc = 0;
    std::unique_ptr<unsigned char[]> block(new unsigned char[kBlockSize]);
    for (;;) {
        if (stop && stop()) {
            error = ECANCELED;
            return {};
        }
        const ssize_t got = ::read(file.fd, block.get(), kBlockSize);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errno;
            return {};
        }
        if (got == 0) break;
        const std::size_t length = static_cast<std::size_t>(got);
        if (context) {
            EVP_DigestUpdate(context.get(), block.get(), length);
        } else {
            crc = UpdateCrc32(crc, block.get(), length);
        }
    }
    if (!context) {
        char text[9];
        std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(crc & 0xFFFFFFFFu));
        return text;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
        error = EIO;
        return {};
    }
    return Hex(digest, length);
}
