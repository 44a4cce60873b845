// The first-run script writes a catalogue the store reads and would write the
// same way, and never replaces an existing one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int RunScript(const fs::path& catalogue, const std::string& port) {
    const std::string command = std::string("'") + QUILLMOOR_SOURCE_DIR + "/scripts/write-demo-catalogue' '" +
                                catalogue.string() + "' " + port + " >/dev/null";
    return std::system(command.c_str());
}

}  // namespace

TEST(DemoCatalogue, HoldsTheLocalDemoSiteInTheStoresOwnFormat) {
    const fs::path directory = fs::temp_directory_path() / ("quillmoor-demo-" + std::to_string(::getpid()));
    fs::remove_all(directory);
    const fs::path catalogue = directory / "Corvane" / "Wexal.INI";
    ASSERT_EQ(RunScript(catalogue, "2121"), 0);

    const SiteStore store(catalogue.string());
    SiteCatalogue loaded;
    ASSERT_EQ(store.LoadCatalogue(loaded), CatalogueLoad::Loaded);
    ASSERT_EQ(loaded.GroupCount(), 1);
    EXPECT_EQ(loaded.GroupLabel(0), "Demo");
    ASSERT_EQ(loaded.SiteCount(0), 1);
    const SiteProfile site = loaded.SiteAt(0, 0);
    EXPECT_EQ(site.name, "Local demo");
    EXPECT_EQ(site.host, "127.0.0.1:2121");
    EXPECT_EQ(site.userId, "anonymous");
    EXPECT_FALSE(site.prompt);
    EXPECT_EQ(store.CatalogueText(loaded), ReadAll(catalogue));

    struct stat info {};
    ASSERT_EQ(::stat(catalogue.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A second run, even for another port, leaves the user's catalogue alone.
    const std::string before = ReadAll(catalogue);
    ASSERT_EQ(RunScript(catalogue, "9999"), 0);
    EXPECT_EQ(ReadAll(catalogue), before);
    fs::remove_all(directory);
}
