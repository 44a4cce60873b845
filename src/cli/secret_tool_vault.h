#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "sites/store/password_vault.h"

// Reads site passwords from the desktop keyring without Qt: runs libsecret's
// "secret-tool lookup" with the attributes the desktop program's QtKeychain
// stores them under (user: the site's key, server: the service) and reads the
// password from its output through a pipe, never from a command line. Only
// reads: the command-line client never changes the keyring.
class SecretToolPasswordVault final : public PasswordVault {
public:
    explicit SecretToolPasswordVault(std::string service = "Quillmoor",
                                     std::chrono::milliseconds timeLimit = std::chrono::seconds(10),
                                     std::string program = "secret-tool");

    bool Store(const std::string& key, const std::string& password, std::string& error) override;
    // None, without an error, when secret-tool is missing, finds nothing or
    // cannot reach a keyring (a site simply has no stored password then); an
    // error when it did not answer in time.
    std::optional<std::string> Read(const std::string& key, std::string& error) override;
    bool Remove(const std::string& key, std::string& error) override;

private:
    std::string service;
    std::chrono::milliseconds timeLimit;
    std::string program;
};
