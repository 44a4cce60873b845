#pragma once

#include "ftp/connection_settings.h"
#include "options/app_settings.h"
#include "sites/store/site_profile.h"

// What became of a profile's connection settings. UnknownEncryption: the
// catalogue names an encryption this version does not know, and the site is
// not connected rather than guessed at (UnknownEncryptionProblem says so).
enum class ProfileOutcome { Ready, AnonymousWithoutEmail, UnknownEncryption };

// The connection a site profile makes under the program's settings: what the
// list's log-in uses, and what the transfer queue runs a saved site's jobs with.
ProfileOutcome ProfileConnectionSettings(const SiteProfile& profile, const AppSettings& settings,
                                          ConnectionSettings& connection);
