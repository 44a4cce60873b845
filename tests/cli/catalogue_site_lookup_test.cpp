// "@NAME" against a real catalogue file: the site's host, login and initial
// directory reach the server; unknown and shared names are refused.
#include "cli/catalogue_site_lookup.h"

#include <gtest/gtest.h>

#include <sstream>

#include "sites/store/password_vault.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

std::string Entry(const std::string& name, const std::string& group, const std::string& host) {
    return "[" + name + "]\r\nHOST=" + host + "\r\nUID=owner\r\nPASSWORD=secret\r\nGROUP=" + group +
           "\r\nREMOTEDIR=/srv/files\r\n\r\n";
}

}  // namespace

TEST(CatalogueSiteLookup, FindsTheOneSiteOfThatName) {
    testsupport::TempDir directory{"quillmoor-cli-catalogue"};
    std::string active = Entry("Active", "A", "h4");
    active.insert(active.size() - 2, "DATAMODE=ACTIVE\r\n");
    const auto path = directory.WriteFile(
        "Wexal.INI", Entry("Home", "A", "h1:21") + Entry("Twin", "A", "h2") + Entry("Twin", "B", "h3") + active);
    const CliSiteLookup lookup = CatalogueSiteLookup(path.string());
    CliSite site;
    std::string error;
    ASSERT_TRUE(lookup("Home", site, error)) << error;
    EXPECT_EQ(site.host, "h1:21");
    EXPECT_EQ(site.user, "owner");
    EXPECT_EQ(site.password, "secret");
    EXPECT_EQ(site.remoteDir, "/srv/files");
    EXPECT_FALSE(site.dataMode.has_value()) << "no choice of its own: the program default";
    ASSERT_TRUE(lookup("Active", site, error)) << error;
    EXPECT_EQ(site.dataMode, DataMode::Active);

    EXPECT_FALSE(lookup("Twin", site, error));
    EXPECT_NE(error.find("2 sites are named \"Twin\""), std::string::npos) << error;
    EXPECT_FALSE(lookup("home", site, error));
    EXPECT_EQ(error, "No site is named \"home\" in the site catalogue.");

    EXPECT_FALSE(CatalogueSiteLookup((directory / "none.INI").string())("Home", site, error));
    EXPECT_NE(error.find("no site catalogue"), std::string::npos);
}

TEST(CatalogueSiteLookup, RunnerConnectsWithTheSite) {
    testsupport::ScriptedFtpServer server;
    server.Expect("USER", "331 pw\r\n").Expect("PASS", "230 in\r\n").Expect("CWD", "250 ok\r\n");
    testsupport::TempDir directory{"quillmoor-cli-catalogue"};
    const auto path = directory.WriteFile("Wexal.INI", Entry("Home", "A", server.HostText()));

    std::ostringstream out;
    std::ostringstream err;
    CliRunner runner(out, err);
    runner.SetSiteLookup(CatalogueSiteLookup(path.string()));
    EXPECT_EQ(runner.Run({"@Home"}), CliRunner::kSuccess) << err.str();
    EXPECT_EQ(server.Received(),
              (std::vector<std::string>{"AUTH TLS", "USER owner", "PASS secret", "FEAT", "CWD /srv/files", "quit"}));

    CliRunner refused(out, err);
    refused.SetSiteLookup(CatalogueSiteLookup(path.string()));
    EXPECT_EQ(refused.Run({"@Nowhere"}), CliRunner::kUsageError);
    EXPECT_NE(err.str().find("No site is named \"Nowhere\""), std::string::npos) << err.str();
}

// A site whose password the desktop program moved into the keyring: the
// keyring gives it; a password still in the file wins, and a site that saves
// none is not looked up.
TEST(CatalogueSiteLookup, TakesAMovedPasswordFromTheKeyring) {
    testsupport::TempDir directory{"quillmoor-cli-catalogue"};
    const std::string moved = "[Moved]\r\nHOST=h1\r\nUID=owner\r\nSAVPWD=TRUE\r\nGROUP=Work\r\n\r\n";
    const std::string unsaved = "[Unsaved]\r\nHOST=h2\r\nUID=owner\r\nSAVPWD=FALSE\r\nGROUP=Work\r\n\r\n";
    const auto path = directory.WriteFile("Wexal.INI", moved + unsaved + Entry("InFile", "Work", "h3"));
    InMemoryPasswordVault keyring;
    std::string error;
    for (const char* name : {"Work/Moved", "Work/Unsaved", "Work/InFile"}) keyring.Store(name, "from keyring", error);
    const CliSiteLookup lookup = CatalogueSiteLookup(path.string(), &keyring);
    const std::pair<const char*, const char*> expected[] = {
        {"Moved", "from keyring"}, {"Unsaved", ""}, {"InFile", "secret"}};
    for (const auto& [name, password] : expected) {
        CliSite site;
        ASSERT_TRUE(lookup(name, site, error)) << error;
        EXPECT_EQ(site.password, password) << name;
    }
}
