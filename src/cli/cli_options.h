#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ftp/data_mode.h"
#include "ftp/tls/encryption.h"

// What the command line asked for, before the settings file fills the gaps.
struct CliOptions {
    std::string host;                 // HOST[:PORT], or @NAME for a catalogue site
    std::optional<std::string> user;  // default anonymous (or the catalogue site's)
    std::optional<std::string> password;
    std::optional<std::string> email;
    std::optional<int> timeoutSeconds;
    std::optional<char> mode;         // F, I, A, L or P
    std::optional<DataMode> dataMode; // --passive or --active
    bool keepModificationTimes = true;  // false: --no-keep-time
    bool verify = true;               // false: --no-verify
    int retries = 2;                  // --retries N: tries after a transient failure
    std::optional<int> firewallMode;  // 0 to 4; set means the firewall is on
    std::optional<tls::Encryption> encryption;  // --tls; unset: the site's choice or the default
    std::optional<std::string> trust;           // --trust SHA256:..., a certificate to accept
    std::optional<std::string> caFile;          // --ca-file, extra trusted roots (PEM)
    std::string proxy;                // HOST[:PORT]
    std::string proxyUser;
    std::string proxyPassword;
    std::vector<std::string> commands;  // one argument each, split later
    bool help = false;
};

// Parses argv. False with a one-line error for a usage error.
bool ParseCliOptions(const std::vector<std::string>& arguments, CliOptions& options, std::string& error);

// The text --help prints.
std::string CliUsage();
