#pragma once

#include <optional>
#include <string>

#include "ftp/data_mode.h"
#include "sites/store/item_kind.h"

// Group that receives a site whose group is not named.
inline constexpr char kDefaultGroupName[] = "User Defined";
// Section name of the entry that keeps an empty group alive in the file.
inline constexpr char kGroupPlaceholderName[] = "Group Place Holder";

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

    bool operator==(const SiteProfile&) const = default;
};
