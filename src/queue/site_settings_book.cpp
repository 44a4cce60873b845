#include "queue/site_settings_book.h"

void SiteSettingsBook::Remember(const std::string& site, const ConnectionSettings& settings) {
    std::lock_guard<std::mutex> guard(lock);
    sites[site] = settings;
}

bool SiteSettingsBook::Knows(const std::string& site) const {
    std::lock_guard<std::mutex> guard(lock);
    return sites.count(site) != 0;
}

std::optional<ConnectionSettings> SiteSettingsBook::SettingsFor(const std::string& site) const {
    std::lock_guard<std::mutex> guard(lock);
    const auto found = sites.find(site);
    if (found == sites.end()) return std::nullopt;
    return found->second;
}
