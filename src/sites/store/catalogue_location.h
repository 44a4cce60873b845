#pragma once

#include <string>
#include <vector>

inline constexpr char kCatalogueFileName[] = "Wexal.INI";

struct CatalogueLocation {
    std::string path;   // absolute, fixed for the whole run
    std::string error;  // set when the command line is wrong; path is then empty
};

// Where the catalogue lives for this run: the FILE of "--catalogue FILE" (or
// "--catalogue=FILE") made absolute against the current directory at start-up,
// otherwise $XDG_CONFIG_HOME/Corvane/Wexal.INI, with ~/.config when that
// variable is unset, empty or relative. Resolving once keeps later changes of
// the current directory from moving the file. `arguments` excludes the
// program's own name.
CatalogueLocation ResolveCataloguePath(const std::vector<std::string>& arguments);

// The default location alone.
std::string DefaultCataloguePath();
