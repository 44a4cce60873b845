#include "sites/store/password_vault.h"

namespace {

constexpr char kFailure[] = "the keyring is not available";

}  // namespace

// A slash or backslash inside a label is escaped, so that no two sites share a key.
std::string SitePasswordKey(const std::string& group, const std::string& site) {
    const auto escaped = [](const std::string& label) {
        std::string out;
        for (char c : label) {
            if (c == '/' || c == '\\') out += '\\';
            out += c;
        }
        return out;
    };
    return escaped(group) + "/" + escaped(site);
}

bool InMemoryPasswordVault::Store(const std::string& key, const std::string& password, std::string& error) {
    if (failing) {
        error = kFailure;
        return false;
    }
    entries[key] = password;
    return true;
}

std::optional<std::string> InMemoryPasswordVault::Read(const std::string& key, std::string& error) {
    error.clear();
    if (failing) {
        error = kFailure;
        return std::nullopt;
    }
    const auto found = entries.find(key);
    if (found == entries.end()) return std::nullopt;
    return found->second;
}

bool InMemoryPasswordVault::Remove(const std::string& key, std::string& error) {
    if (failing) {
        error = kFailure;
        return false;
    }
    entries.erase(key);
    return true;
}
