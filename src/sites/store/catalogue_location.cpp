#include "sites/store/catalogue_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace {

constexpr std::string_view kOption = "--catalogue";

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
}

std::string Absolute(const std::string& file) {
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(file, ignored);
    return (absolute.empty() ? std::filesystem::path(file) : absolute).lexically_normal().string();
}

}  // namespace

std::string DefaultCataloguePath() {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else {
        base = std::filesystem::path(HomeDirectory()) / ".config";
    }
    return (base / "Corvane" / kCatalogueFileName).lexically_normal().string();
}

CatalogueLocation ResolveCataloguePath(const std::vector<std::string>& arguments) {
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        std::string file;
        if (argument == kOption) {
            if (index + 1 >= arguments.size() || arguments[index + 1].empty())
                return {{}, "--catalogue needs a file name"};
            file = arguments[index + 1];
        } else if (argument.starts_with(std::string(kOption) + "=")) {
            file = argument.substr(kOption.size() + 1);
            if (file.empty()) return {{}, "--catalogue needs a file name"};
        } else {
            continue;
        }
        return {Absolute(file), {}};
    }
    return {DefaultCataloguePath(), {}};
}
