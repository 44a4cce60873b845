#pragma once

#include <string>

#include "cli/cli_runner.h"

// The "@NAME" lookup over the site catalogue file at `cataloguePath`: the one
// site of that exact name gives host, user, password and initial directory.
// A missing or unreadable catalogue, an unknown name and a name several sites
// share are refused with a message saying which.
CliSiteLookup CatalogueSiteLookup(std::string cataloguePath);
