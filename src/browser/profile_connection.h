#pragma once

#include "ftp/connection_settings.h"
#include "options/app_settings.h"
#include "sites/store/site_profile.h"

// The connection a site profile makes under the program's settings: what the
// list's log-in uses, and what the transfer queue runs a saved site's jobs with.
SettingsOutcome ProfileConnectionSettings(const SiteProfile& profile, const AppSettings& settings,
                                          ConnectionSettings& connection);
