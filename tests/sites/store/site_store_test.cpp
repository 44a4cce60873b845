// Writing the catalogue: entry layout, round trips, crash-safe replacement and
// file modes.
#include "sites/store/site_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "sites/store/catalogue_format.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_lookup.h"

namespace fs = std::filesystem;

namespace {

class SiteStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory =
            fs::temp_directory_path() / ("quillmoor-store-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory);
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string PathOf(const std::string& name) const { return (directory / name).string(); }

    SiteStore Store(const std::string& path) {
        return SiteStore(path, [this](const std::string& line) { logLines.push_back(line); });
    }

    static std::string ReadAll(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    static void WriteAll(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    static SiteProfile Site(const std::string& name, const std::string& group) {
        SiteProfile profile;
        profile.name = name;
        profile.group = group;
        profile.host = "ftp." + name + ".example";
        return profile;
    }

    fs::path directory;
    std::vector<std::string> logLines;
};

}  // namespace

TEST_F(SiteStoreTest, WritesThirteenLinesPerEntryInFixedOrder) {
    SiteProfile profile = Site("Home", "Work");
    profile.account = "acct";
    profile.userId = "joe";
    profile.password = "pw ";
    profile.savePassword = true;
    profile.icon = "Wexal.exe ,32";
    profile.localDir = "/tmp";
    profile.remoteDir = "/pub";
    profile.prompt = false;
    std::string text;
    WriteEntry(text, profile);
    EXPECT_EQ(text,
              "[Home]\r\nHOST=ftp.Home.example\r\nACCOUNT=acct\r\nUID=joe\r\nPASSWORD=pw \r\nSAVPWD=TRUE\r\n"
              "ICON=Wexal.exe ,32\r\nGROUP=Work\r\nLOCALDIR=/tmp\r\nREMOTEDIR=/pub\r\nPROMPT?=FALSE\r\n"
              "FIREWALL?=FALSE\r\n\r\n");

    // Each optional key a site has is one more line at the end, so a reader
    // that skips keys it does not know reads the thirteen lines as before.
    const struct {
        std::function<void(SiteProfile&)> set;
        std::string lines;
    } optional[] = {
        {[](SiteProfile& p) { p.dataMode = DataMode::Passive; }, "DATAMODE=PASSIVE\r\n"},
        {[](SiteProfile& p) { p.dataMode = DataMode::Active; }, "DATAMODE=ACTIVE\r\n"},
        {[](SiteProfile& p) { p.encryption = tls::Encryption::ExplicitIfAvailable; }, ""},
        {[](SiteProfile& p) { p.encryption = tls::Encryption::RequireExplicit; }, "ENCRYPTION=EXPLICIT\r\n"},
        {[](SiteProfile& p) { p.encryption = tls::Encryption::RequireImplicit; }, "ENCRYPTION=IMPLICIT\r\n"},
        {[](SiteProfile& p) { p.encryption = tls::Encryption::Plain; }, "ENCRYPTION=PLAIN\r\n"},
        {[](SiteProfile& p) { p.tlsFingerprint = "SHA256:x1"; }, "TLSFINGERPRINT=SHA256:x1\r\n"},
        {[](SiteProfile& p) {
             p.dataMode = DataMode::Active;
             p.encryption = tls::Encryption::Plain;
             p.tlsFingerprint = "SHA256:x2";
         },
         "DATAMODE=ACTIVE\r\nENCRYPTION=PLAIN\r\nTLSFINGERPRINT=SHA256:x2\r\n"},
    };
    for (const auto& row : optional) {
        SiteProfile withKeys = profile;
        row.set(withKeys);
        std::string written;
        WriteEntry(written, withKeys);
        EXPECT_EQ(written, text.substr(0, text.size() - 2) + row.lines + "\r\n");
    }
}

TEST_F(SiteStoreTest, SaveThenLoadThenSaveIsByteIdentical) {
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, Site("zeta", "B"));
    SiteStore::AddProfile(catalogue, Site("alpha", "A"));
    SiteStore::AddProfile(catalogue, Site("alpha", "B"));
    catalogue.AppendGroup("Empty");
    SiteProfile odd = Site("x]y", "A");
    odd.password = "has=equals";
    odd.icon = "/usr/share/icons/some file.ico ,3";
    SiteStore::AddProfile(catalogue, odd);
    SiteProfile passive = Site("passive", "A");
    passive.dataMode = DataMode::Passive;
    SiteStore::AddProfile(catalogue, passive);
    SiteProfile active = Site("active", "B");
    active.dataMode = DataMode::Active;
    SiteStore::AddProfile(catalogue, active);
    for (const tls::Encryption encryption :
         {tls::Encryption::RequireExplicit, tls::Encryption::RequireImplicit, tls::Encryption::Plain}) {
        SiteProfile secured = Site("secured" + std::to_string(static_cast<int>(encryption)), "A");
        secured.encryption = encryption;
        secured.tlsFingerprint = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
        SiteStore::AddProfile(catalogue, secured);
    }

    const std::string path = PathOf("Wexal.INI");
    const SiteStore store = Store(path);
    ASSERT_TRUE(store.SaveCatalogue(catalogue));
    const std::string first = ReadAll(path);

    SiteCatalogue reloaded;
    EXPECT_EQ(store.LoadCatalogue(reloaded), CatalogueLoad::Loaded);
    ASSERT_TRUE(store.SaveCatalogue(reloaded));
    EXPECT_EQ(ReadAll(path), first);
    ASSERT_EQ(reloaded.GroupCount(), 3);
    EXPECT_EQ(reloaded.GroupLabel(0), "B");
    EXPECT_EQ(reloaded.GroupLabel(2), "Empty");
    EXPECT_EQ(reloaded.SiteCount(2), 0);
    for (int group = 0; group < 2; ++group) {
        ASSERT_EQ(reloaded.SiteCount(group), catalogue.SiteCount(group));
        for (int site = 0; site < catalogue.SiteCount(group); ++site)
            EXPECT_EQ(reloaded.SiteAt(group, site), catalogue.SiteAt(group, site));
    }
    EXPECT_TRUE(logLines.empty());
}

TEST_F(SiteStoreTest, EmptyGroupIsWrittenAsPlaceholderAndRelabelledGroupCarriesNewName) {
    SiteCatalogue catalogue;
    catalogue.AppendGroup("Lonely");
    SiteStore::AddProfile(catalogue, Site("a", "Old"));
    SiteStore::AddProfile(catalogue, Site("b", "Old"));
    catalogue.groups[1].label = "New";

    const SiteStore store = Store(PathOf("Wexal.INI"));
    const std::string text = store.CatalogueText(catalogue);
    EXPECT_EQ(text.find("[Group Place Holder]\r\nHOST=\r\n"), 0u);
    EXPECT_NE(text.find("GROUP=Lonely\r\n"), std::string::npos);
    EXPECT_EQ(text.find("GROUP=Old"), std::string::npos);
    ASSERT_TRUE(store.SaveCatalogue(catalogue));

    SiteCatalogue reloaded;
    store.LoadCatalogue(reloaded);
    ASSERT_EQ(reloaded.GroupCount(), 2);
    EXPECT_EQ(reloaded.GroupLabel(0), "Lonely");
    EXPECT_EQ(reloaded.SiteCount(0), 0);
    EXPECT_EQ(reloaded.GroupLabel(1), "New");
    EXPECT_EQ(reloaded.SiteAt(1, 0).group, "New");
    EXPECT_EQ(reloaded.SiteAt(1, 1).group, "New");
}

TEST_F(SiteStoreTest, EmptyTreeLeavesEmptyFile) {
    const std::string path = PathOf("Wexal.INI");
    WriteAll(path, "[old]\r\n");
    ASSERT_TRUE(Store(path).SaveCatalogue(SiteCatalogue{}));
    EXPECT_EQ(ReadAll(path), "");
}

TEST_F(SiteStoreTest, LineBreaksAndOverlongValuesCannotSpillIntoOtherKeysOrEntries) {
    SiteProfile hostile = Site("evil\r\n[injected]", "G");
    hostile.host = "ftp.example.org";
    hostile.password = "pw\nHOST=attacker";
    hostile.icon = "/" + std::string(300, 'd') + "[x]";
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, hostile);

    const std::string path = PathOf("Wexal.INI");
    const SiteStore store = Store(path);
    ASSERT_TRUE(store.SaveCatalogue(catalogue));
    SiteCatalogue reloaded;
    store.LoadCatalogue(reloaded);
    ASSERT_EQ(reloaded.GroupCount(), 1);
    ASSERT_EQ(reloaded.SiteCount(0), 1);
    const SiteProfile back = reloaded.SiteAt(0, 0);
    EXPECT_EQ(back.name, "evil  [injected]");
    EXPECT_EQ(back.host, hostile.host);
    EXPECT_EQ(back.password, "pw HOST=attacker");
    EXPECT_EQ(back.icon, hostile.icon.substr(0, CatalogueValueLimit("ICON")));
    EXPECT_EQ(logLines.size(), 3u);
    // Every written line fits one piece of the reader.
    std::istringstream lines(ReadAll(path));
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 180u);
}

TEST_F(SiteStoreTest, FieldProblemsAreNamed) {
    EXPECT_EQ(CatalogueFieldProblem("HOST", "ftp.example.org"), "");
    EXPECT_EQ(CatalogueFieldProblem("", "a]b"), "");
    EXPECT_NE(CatalogueFieldProblem("PASSWORD", "a\nb"), "");
    EXPECT_NE(CatalogueFieldProblem("", std::string(178, 'n')), "");
    EXPECT_EQ(CatalogueFieldProblem("", std::string(177, 'n')), "");
}

TEST_F(SiteStoreTest, FileIsPrivateAndCreatedDirectoriesToo) {
    const std::string path = PathOf("made/for/us/Wexal.INI");
    ::umask(022);
    ASSERT_TRUE(Store(path).SaveCatalogue(SiteCatalogue{}));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(PathOf("made/for").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A file that was readable by others becomes private on the next save.
    const std::string shared = PathOf("Wexal.INI");
    WriteAll(shared, "");
    ::chmod(shared.c_str(), 0644);
    ASSERT_TRUE(Store(shared).SaveCatalogue(SiteCatalogue{}));
    ASSERT_EQ(::stat(shared.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SiteStoreTest, FailedWriteLeavesOldFileByteIdentical) {
    const std::string path = PathOf("Wexal.INI");
    const std::string old = "[keep]\r\nHOST=me\r\n";
    WriteAll(path, old);
    SiteCatalogue large;
    for (int index = 0; index < 200; ++index)
        SiteStore::AddProfile(large, Site("s" + std::to_string(index), "G"));

    // A file size limit makes write() fail part-way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved_ok = Store(path).SaveCatalogue(large).saved;
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadAll(path), old);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_NE(logLines[0].find("not saved"), std::string::npos);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator{}), 1);
}

TEST_F(SiteStoreTest, LinkedCatalogueStaysALink) {
    fs::create_directories(directory / "dotfiles");
    const std::string real = PathOf("dotfiles/Wexal.INI");
    WriteAll(real, "");
    fs::create_symlink(real, PathOf("Wexal.INI"));
    SiteCatalogue catalogue;
    SiteStore::AddProfile(catalogue, Site("a", "G"));
    ASSERT_TRUE(Store(PathOf("Wexal.INI")).SaveCatalogue(catalogue));
    EXPECT_TRUE(fs::is_symlink(PathOf("Wexal.INI")));
    EXPECT_NE(ReadAll(real).find("[a]"), std::string::npos);
}

TEST_F(SiteStoreTest, MissingParentThatIsAFileFailsWithoutTouchingAnything) {
    WriteAll(PathOf("plain"), "x");
    EXPECT_FALSE(Store(PathOf("plain/Wexal.INI")).SaveCatalogue(SiteCatalogue{}));
    EXPECT_EQ(ReadAll(PathOf("plain")), "x");
    EXPECT_EQ(logLines.size(), 1u);
}

TEST_F(SiteStoreTest, LoadTellsMissingFromUnreadable) {
    SiteCatalogue catalogue;
    EXPECT_EQ(Store(PathOf("none.INI")).LoadCatalogue(catalogue), CatalogueLoad::Missing);
    EXPECT_TRUE(logLines.empty());
    fs::create_directory(PathOf("dir.INI"));
    EXPECT_EQ(Store(PathOf("dir.INI")).LoadCatalogue(catalogue), CatalogueLoad::Unreadable);
    EXPECT_EQ(logLines.size(), 1u);
    EXPECT_EQ(catalogue.GroupCount(), 0);
}

// What cannot be read is never replaced: a FIFO or device is refused at once
// (opening a FIFO would wait for a writer), and text with no entry in it is
// "not understood" and can be set aside unchanged for a new catalogue.
TEST_F(SiteStoreTest, RefusesNonRegularFilesAndSetsAsideTextItCannotRead) {
    SiteCatalogue catalogue;
    ASSERT_EQ(::mkfifo(PathOf("fifo.INI").c_str(), 0600), 0);
    std::string problem;
    EXPECT_EQ(Store(PathOf("fifo.INI")).LoadCatalogue(catalogue, &problem), CatalogueLoad::Unreadable);
    EXPECT_NE(problem.find("it is a FIFO"), std::string::npos);

    const std::string binary("[a]\r\n\0\x01GROUP=G\r\n", 13);
    for (const std::string& text : {binary, std::string("just some notes\n")}) {
        WriteAll(PathOf("Wexal.INI"), text);
        const SiteStore store = Store(PathOf("Wexal.INI"));
        EXPECT_EQ(store.LoadCatalogue(catalogue), CatalogueLoad::NotUnderstood);
        std::string error;
        const std::string aside = store.SetAsideUnreadable(error);
        ASSERT_NE(aside.find("Wexal.INI.unreadable-"), std::string::npos) << error;
        EXPECT_EQ(ReadAll(aside), text);
        EXPECT_FALSE(fs::exists(PathOf("Wexal.INI")));
    }
    EXPECT_EQ(catalogue.GroupCount(), 0);
    WriteAll(PathOf("Wexal.INI"), " \r\n\r\n");
    EXPECT_EQ(Store(PathOf("Wexal.INI")).LoadCatalogue(catalogue), CatalogueLoad::Loaded);
}

// A save killed before its rename leaves a temporary copy of every password;
// the next start removes it, but not one another writer still holds.
TEST_F(SiteStoreTest, AbandonedTemporariesAreRemovedAtStart) {
    const std::string path = PathOf("Wexal.INI");
    WriteAll(path + ".Ab12Cd", "[a]\r\nPASSWORD=secret\r\n");
    WriteAll(path + ".unreadable-20260101-000000", "kept");
    WriteAll(PathOf("Other.INI.Ab12Cd"), "kept");
    const int held = ::open((path + ".Xy34Zw").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // Another open file description of this process stands for the other writer.
    Store(path).RemoveAbandonedTemporaries();
    ::close(held);
    EXPECT_FALSE(fs::exists(path + ".Ab12Cd"));
    EXPECT_TRUE(fs::exists(path + ".Xy34Zw"));
    EXPECT_TRUE(fs::exists(path + ".unreadable-20260101-000000"));
    EXPECT_TRUE(fs::exists(PathOf("Other.INI.Ab12Cd")));
    EXPECT_EQ(logLines.size(), 1u);
}

TEST(SiteLookupTest, FindsExactlyOneSiteByName) {
    SiteCatalogue catalogue;
    SiteProfile site;
    site.name = "Home";
    site.host = "ftp.home";
    site.group = "A";
    SiteStore::AddProfile(catalogue, site);
    site.name = "Twin";
    SiteStore::AddProfile(catalogue, site);
    site.group = "B";
    SiteStore::AddProfile(catalogue, site);

    const SiteLookup home = FindSiteByName(catalogue, "Home");
    EXPECT_TRUE(home.found);
    EXPECT_EQ(home.profile.host, "ftp.home");

    const SiteLookup twin = FindSiteByName(catalogue, "Twin");
    EXPECT_FALSE(twin.found);
    EXPECT_EQ(twin.error,
              "2 sites are named \"Twin\" (groups \"A\", \"B\"); give them different names first.");

    const SiteLookup unknown = FindSiteByName(catalogue, "home");
    EXPECT_FALSE(unknown.found);
    EXPECT_EQ(unknown.error, "No site is named \"home\" in the site catalogue.");
}
