#pragma once

#include <string>

#include "cli/cli_runner.h"

class PasswordVault;

// The "@NAME" lookup over the site catalogue file at `cataloguePath`: the one
// site of that exact name gives host, user, password and initial directory.
// A missing or unreadable catalogue, an unknown name and a name several sites
// share are refused with a message saying which. A site that saves its
// password but has none in the file gets the one `keyring` holds, if any.
CliSiteLookup CatalogueSiteLookup(std::string cataloguePath, PasswordVault* keyring = nullptr);
