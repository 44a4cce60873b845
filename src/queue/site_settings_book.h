#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "ftp/connection_settings.h"

// The connection settings of the sites the queue's jobs name, by site key:
// written on the user-interface thread (a login, a loaded queue's catalogue
// sites), read by the runner's workers when a job starts.
class SiteSettingsBook {
public:
    void Remember(const std::string& site, const ConnectionSettings& settings);
    bool Knows(const std::string& site) const;
    std::optional<ConnectionSettings> SettingsFor(const std::string& site) const;

private:
    mutable std::mutex lock;
    std::map<std::string, ConnectionSettings> sites;
};
