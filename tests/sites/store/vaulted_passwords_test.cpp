// Site passwords kept in a vault instead of the catalogue file: what the file
// holds, what the vault holds, and that a failing vault loses nothing.
#include <gtest/gtest.h>

#include "sites/store/password_vault.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"
#include "support/temp_dir.h"

namespace {

SiteProfile Site(const std::string& name, const std::string& group, const std::string& password) {
    SiteProfile site;
    site.name = name;
    site.group = group;
    site.host = "127.0.0.1";
    site.userId = "owner";
    site.password = password;
    site.savePassword = !password.empty();
    return site;
}

class VaultedPasswordsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"quillmoor-vault"};
    std::string path = (dir / "Wexal.INI").string();
    std::vector<std::string> log;
    InMemoryPasswordVault vault;

    SiteStore Store() {
        return SiteStore(path, [this](const std::string& line) { log.push_back(line); });
    }
    SiteCatalogue Load(PasswordVault* with) {
        SiteStore store = Store();
        store.SetPasswordVault(with);
        SiteCatalogue catalogue;
        EXPECT_EQ(store.LoadCatalogue(catalogue), CatalogueLoad::Loaded);
        return catalogue;
    }
    std::string File() const { return testsupport::TempDir::ReadFile(path); }
};

TEST(SitePasswordKey, GroupAndNameCannotRunTogether) {
    EXPECT_EQ(SitePasswordKey("Work", "Files"), "Work/Files");
    EXPECT_NE(SitePasswordKey("a/b", "c"), SitePasswordKey("a", "b/c"));
    EXPECT_EQ(SitePasswordKey("a/b", "c\\d"), "a\\/b/c\\\\d");
}

TEST_F(VaultedPasswordsTest, FileHoldsNoPasswordAndReadsBackFromTheVault) {
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, Site("Files", "Work", "s3cret"));
    SiteStore::AddProfile(catalogue, Site("Open", "Work", ""));
    SiteStore store = Store();
    store.SetPasswordVault(&vault);
    ASSERT_TRUE(store.SaveCatalogue(catalogue));

    EXPECT_EQ(File().find("PASSWORD"), std::string::npos) << File();
    EXPECT_EQ(File().find("s3cret"), std::string::npos);
    EXPECT_EQ(vault.Entries(), (std::map<std::string, std::string>{{"Work/Files", "s3cret"}}));

    const SiteCatalogue withVault = Load(&vault);
    EXPECT_EQ(withVault.groups.at(0).sites.at(0).password, "s3cret");
    EXPECT_EQ(withVault.groups.at(0).sites.at(1).password, "");
    // Without the vault the entry reads as one with no password, nothing worse.
    const SiteCatalogue plain = Load(nullptr);
    EXPECT_EQ(plain.groups.at(0).sites.at(0).password, "");
    EXPECT_TRUE(plain.groups.at(0).sites.at(0).savePassword);
}

TEST_F(VaultedPasswordsTest, CountsPasswordsTheFileStillHolds) {
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, Site("A", "G", "one"));
    SiteStore::AddProfile(catalogue, Site("B", "G", "two"));
    SiteStore::AddProfile(catalogue, Site("C", "Empty", ""));
    ASSERT_TRUE(Store().SaveCatalogue(catalogue));  // no vault: the file keeps them

    SiteStore store = Store();
    store.SetPasswordVault(&vault);
    SiteCatalogue loaded;
    ASSERT_EQ(store.LoadCatalogue(loaded), CatalogueLoad::Loaded);
    EXPECT_EQ(store.PasswordsInFile(), 2);
    ASSERT_EQ(loaded.groups.size(), 2u);
    EXPECT_EQ(loaded.groups[1].label, "Empty");
    EXPECT_EQ(loaded.groups[0].sites.at(1).password, "two");

    // Saved with the vault, they move; the next load finds none in the file.
    ASSERT_TRUE(store.SaveCatalogue(loaded));
    EXPECT_EQ(vault.Entries().size(), 2u);
    SiteCatalogue again;
    ASSERT_EQ(store.LoadCatalogue(again), CatalogueLoad::Loaded);
    EXPECT_EQ(store.PasswordsInFile(), 0);
    EXPECT_EQ(again.groups[0].sites.at(0).password, "one");
}

TEST_F(VaultedPasswordsTest, AFailingVaultLeavesThePasswordInTheFile) {
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, Site("Files", "Work", "s3cret"));
    vault.SetFailing(true);
    SiteStore store = Store();
    store.SetPasswordVault(&vault);
    ASSERT_TRUE(store.SaveCatalogue(catalogue));
    EXPECT_NE(File().find("PASSWORD=s3cret"), std::string::npos) << File();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("the catalogue keeps it"), std::string::npos) << log.back();

    // A vault that cannot be read leaves the site without a password, and says so.
    vault.SetFailing(false);
    ASSERT_TRUE(store.SaveCatalogue(catalogue));
    vault.SetFailing(true);
    log.clear();
    const SiteCatalogue loaded = Load(&vault);
    EXPECT_EQ(loaded.groups.at(0).sites.at(0).password, "");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("could not be read from the keyring"), std::string::npos) << log[0];
}

TEST_F(VaultedPasswordsTest, RenamedAndClearedSitesLeaveNothingBehind) {
    SiteStore store = Store();
    store.SetPasswordVault(&vault);
    std::string error;
    ASSERT_TRUE(vault.Store("Elsewhere/Other", "not ours to touch", error));
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, Site("Old name", "Work", "pw"));
    SiteStore::AddProfile(catalogue, Site("Cleared", "Work", "gone"));
    ASSERT_TRUE(store.SaveCatalogue(catalogue));
    EXPECT_EQ(vault.Entries().count("Work/Old name"), 1u);

    std::vector<SiteProfile>& sites = catalogue.groups[0].sites;  // in label order
    ASSERT_EQ(sites[1].name, "Old name");
    sites[1].name = "New name";
    sites[0].password.clear();
    sites[0].savePassword = false;
    ASSERT_TRUE(store.SaveCatalogue(catalogue));
    EXPECT_EQ(vault.Entries(), (std::map<std::string, std::string>{{"Elsewhere/Other", "not ours to touch"},
                                                                   {"Work/New name", "pw"}}));
}

}  // namespace
