// Where the catalogue file lives for a run.
#include "sites/store/catalogue_location.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (previous)
            ::setenv(name, previous->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

}  // namespace

TEST(CatalogueLocation, FollowsTheCommandLineThenTheConfigDirectory) {
    ScopedEnvironment home("HOME", "/home/tester");
    const std::string cwd = std::filesystem::current_path().string();
    struct Case {
        const char* config;
        std::vector<std::string> arguments;
        std::string path;
        bool error;
    };
    const std::vector<Case> cases = {
        {"/cfg", {}, "/cfg/Corvane/Wexal.INI", false},
        {nullptr, {}, "/home/tester/.config/Corvane/Wexal.INI", false},
        {"", {}, "/home/tester/.config/Corvane/Wexal.INI", false},
        {"relative/dir", {}, "/home/tester/.config/Corvane/Wexal.INI", false},
        {"/cfg", {"--catalogue", "/data/sites.ini"}, "/data/sites.ini", false},
        {"/cfg", {"-x", "--catalogue=/data/b.ini"}, "/data/b.ini", false},
        {"/cfg", {"--catalogue", "mine.ini"}, cwd + "/mine.ini", false},
        {"/cfg", {"--catalogue"}, "", true},
        {"/cfg", {"--catalogue="}, "", true},
    };
    for (const auto& row : cases) {
        ScopedEnvironment config("XDG_CONFIG_HOME", row.config);
        const CatalogueLocation location = ResolveCataloguePath(row.arguments);
        EXPECT_EQ(location.path, row.path);
        EXPECT_EQ(!location.error.empty(), row.error);
    }
}

TEST(CatalogueLocation, LaterChangeOfDirectoryDoesNotMoveIt) {
    const auto start = std::filesystem::current_path();
    const CatalogueLocation location = ResolveCataloguePath({"--catalogue", "here.ini"});
    std::filesystem::current_path("/");
    EXPECT_EQ(location.path, (start / "here.ini").string());
    std::filesystem::current_path(start);
}
