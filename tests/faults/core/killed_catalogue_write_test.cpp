// The catalogue rewrite killed at random points: the file on disk is always
// one whole catalogue, the old one or the new one, never a mix or a cut.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "killed_writer.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"
#include "support/temp_dir.h"

namespace faults {
namespace {

using namespace std::chrono_literals;

// A catalogue big enough that a rewrite takes a while; `tag` tells versions apart.
SiteCatalogue MakeCatalogue(const std::string& tag, int sites) {
    SiteCatalogue catalogue;
    for (int group = 0; group < 10; ++group) catalogue.AppendGroup("Group " + tag + std::to_string(group));
    for (int site = 0; site < sites; ++site) {
        SiteProfile profile;
        profile.name = "site " + std::to_string(100000 + site);
        profile.host = "ftp" + std::to_string(site) + "." + tag + ".example.org";
        profile.userId = "user-" + tag;
        profile.password = "secret " + tag + " " + std::string(40, 'p');
        profile.remoteDir = "/pub/" + tag + "/" + std::string(60, 'r');
        profile.group = "Group " + tag + std::to_string(site % 10);
        catalogue.groups[site % 10].sites.push_back(profile);
    }
    return catalogue;
}

bool Same(const SiteCatalogue& a, const SiteCatalogue& b) {
    if (a.groups.size() != b.groups.size()) return false;
    for (std::size_t i = 0; i < a.groups.size(); ++i) {
        if (a.groups[i].label != b.groups[i].label || a.groups[i].sites != b.groups[i].sites) return false;
    }
    return true;
}

TEST(KilledCatalogueWrite, LeavesTheOldOrTheNewCatalogueWhole) {
    testsupport::TempDir dir;
    const std::string path = (dir / "Wexal.INI").string();
    SiteCatalogue older = MakeCatalogue("old", 3000);
    SiteCatalogue newer = MakeCatalogue("new", 3000);
    const SiteStore store(path);
    ASSERT_TRUE(store.SaveCatalogue(older));

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMicroseconds(0, 60000);
    int sawOlder = 0;
    int sawNewer = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        bool flip = false;
        ASSERT_TRUE(KillWriterAfter(
            [&] {
                store.SaveCatalogue(flip ? older : newer);
                flip = !flip;
            },
            std::chrono::microseconds(delayMicroseconds(random))));
        SiteCatalogue loaded;
        ASSERT_EQ(store.LoadCatalogue(loaded), CatalogueLoad::Loaded);
        const bool isOlder = Same(loaded, older);
        const bool isNewer = Same(loaded, newer);
        ASSERT_TRUE(isOlder || isNewer) << "a killed rewrite left a catalogue that is neither version";
        sawOlder += isOlder;
        sawNewer += isNewer;
    }
    EXPECT_GT(sawOlder + sawNewer, 0);

    // Rewrites killed before their rename left temporary copies of every
    // password; the next start removes them all, and the file stays private.
    store.RemoveAbandonedTemporaries();
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"Wexal.INI"});
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
}  // namespace faults
