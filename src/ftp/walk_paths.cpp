#include "ftp/walk_paths.h"

#include <string_view>

namespace {

bool IsControlCharacter(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

std::string LastName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string JoinLocalPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

bool IsSafeLocalName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string LocalNameFor(const std::string& remoteName) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string local;
    local.reserve(remoteName.size());
    for (const char c : remoteName) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (IsControlCharacter(byte)) {
            local += '%';
            local += kHex[byte >> 4];
            local += kHex[byte & 0xF];
        } else {
            local += c;
        }
    }
    return local;
}

std::string LocalPathFor(const std::string& directory, const std::string& remoteName) {
    return JoinLocalPath(directory, LocalNameFor(remoteName));
}

std::string LocalNameNotice(const std::string& remotePath, const std::string& localPath) {
    const std::string remoteName = LastName(remotePath);
    const std::string localName = LocalNameFor(remoteName);
    if (localName == remoteName || !std::string_view(localPath).ends_with(localName)) return {};
    return "The server's name has control characters; saved as " + localPath + " (written as %XX).";
}
