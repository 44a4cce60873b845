#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ftp/data_mode.h"
#include "ftp/tls/encryption.h"
#include "sites/store/item_kind.h"

// Group that receives a site whose group is not named.
inline constexpr char kDefaultGroupName[] = "User Defined";
// Section name of the entry that keeps an empty group alive in the file.
inline constexpr char kGroupPlaceholderName[] = "Group Place Holder";

// A line of an entry this version does not understand (a key of a newer
// version, a comment), kept to be written back after the same known key.
struct KeptLine {
    std::string afterKey;  // the known key it followed; empty: the section line
    std::string text;

    bool operator==(const KeptLine&) const = default;
};

// One stored site. The defaults are those of an entry whose keys are all missing.
struct SiteProfile {
    int kind = static_cast<int>(ItemKind::Site);
    std::string name;
    std::string host;
    std::string account;  // carried from the file and back, never edited
    std::string userId;
    std::string password;  // stored as typed
    bool savePassword = false;
    bool prompt = true;
    std::string icon;  // "file ,index" or a bare resource number
    std::string group;
    std::string localDir;  // carried from the file and back, never edited
    std::string remoteDir;
    bool useFirewall = false;
    std::optional<DataMode> dataMode;  // unset: the program's default
    // Entries written before encryption was a choice read as the default:
    // they were plain FTP only because nothing else existed, and "if
    // available" still connects in plain to a server that refuses AUTH TLS.
    tls::Encryption encryption = tls::kDefaultEncryption;
    std::string tlsFingerprint;  // "SHA256:..." of a certificate the user trusted; empty: none
    // An ENCRYPTION value this version does not know, as the file has it. Such
    // a site is not connected (a guess could send its password in plain text)
    // and the value is written back unchanged. Empty: the value was understood.
    std::string unknownEncryption;
    std::vector<KeptLine> keptLines;

    bool operator==(const SiteProfile&) const = default;
};
