// What a save keeps that this version does not understand, and what another
// program wrote meanwhile: ENCRYPTION values, kept lines, the merge.
#include <gtest/gtest.h>

#include <fstream>

#include "sites/store/catalogue_format.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"
#include "support/temp_dir.h"

namespace {

std::string ReadAll(const std::string& path) { return testsupport::TempDir::ReadFile(path); }

void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Site(const std::string& name, const std::string& keys) {
    return "[" + name + "]\r\nHOST=" + name + ".example\r\n" + keys + "GROUP=G\r\n\r\n";
}

}  // namespace

TEST(CatalogueEncryption, NamesReadWithoutCaseAndAnUnknownValueIsKeptAndRefused) {
    using tls::Encryption;
    const struct {
        const char* value;
        Encryption read;
        const char* unknown;
        const char* written;  // the line a save writes back
    } rows[] = {
        {"EXPLICIT", Encryption::RequireExplicit, "", "ENCRYPTION=EXPLICIT"},
        {"explicit", Encryption::RequireExplicit, "", "ENCRYPTION=EXPLICIT"},
        {"Implicit", Encryption::RequireImplicit, "", "ENCRYPTION=IMPLICIT"},
        {"pLaIn", Encryption::Plain, "", "ENCRYPTION=PLAIN"},
        {"auto", Encryption::ExplicitIfAvailable, "", ""},
        {"SSH", Encryption::ExplicitIfAvailable, "SSH", "ENCRYPTION=SSH"},
        {"TLS 1.3 only", Encryption::ExplicitIfAvailable, "TLS 1.3 only", "ENCRYPTION=TLS 1.3 only"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        SiteCatalogue catalogue;
        ReadCatalogueText(Site("a", std::string("ENCRYPTION=") + row.value + "\r\n"), catalogue);
        const SiteProfile& site = catalogue.groups.at(0).sites.at(0);
        EXPECT_EQ(site.encryption, row.read);
        EXPECT_EQ(site.unknownEncryption, row.unknown);
        // The message names the value; a known one connects.
        const std::string problem = UnknownEncryptionProblem(site);
        EXPECT_EQ(problem.empty(), !*row.unknown);
        EXPECT_EQ(problem.find(std::string("\"") + row.unknown + "\"") == std::string::npos, !*row.unknown);
        std::string text;
        WriteEntry(text, site);
        EXPECT_EQ(text.find("ENCRYPTION"), *row.written ? text.find(row.written + std::string("\r\n")) : std::string::npos)
            << text;
    }
}

class CatalogueMergeTest : public ::testing::Test {
protected:
    testsupport::TempDir directory;
    std::string path = (directory / "Wexal.INI").string();
    std::vector<std::string> log;
    SiteStore store{path, [this](const std::string& line) { log.push_back(line); }};
    SiteCatalogue memory;

    void Load(const std::string& text) {
        WriteAll(path, text);
        ASSERT_EQ(store.LoadCatalogue(memory), CatalogueLoad::Loaded);
    }
    SiteProfile& Mine(int site) { return memory.groups.at(0).sites.at(site); }
};

TEST_F(CatalogueMergeTest, UnknownKeysAndCommentsStayWhereTheyStand) {
    const std::string text = "; written by hand\r\n" + Site("a", "# old host: a2\r\nFUTURE=1\r\n") +
                             "[b]\r\n; comment first\r\nHOST=b\r\nGROUP=G\r\nZ=last\r\n\r\n";
    Load(text);
    Mine(0).userId = "joe";
    ASSERT_TRUE(store.SaveCatalogue(memory));
    const std::string saved = ReadAll(path);
    EXPECT_EQ(saved.find("; written by hand\r\n[a]\r\nHOST=a.example\r\n# old host: a2\r\nFUTURE=1\r\nACCOUNT="), 0u)
        << saved;
    EXPECT_NE(saved.find("UID=joe"), std::string::npos);
    EXPECT_NE(saved.find("[b]\r\n; comment first\r\nHOST=b\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("GROUP=G\r\nZ=last\r\n"), std::string::npos) << saved;
}

TEST_F(CatalogueMergeTest, ChangesOnOneSideEachAreBothKeptWithoutAQuestion) {
    Load(Site("a", "") + Site("b", "") + Site("c", ""));
    int questions = 0;
    store.SetConflictResolver([&](const SiteConflict&) { return ++questions, ConflictChoice::KeepMine; });
    // Another writer adds d and changes b; this program changes a and deletes c.
    WriteAll(path, Site("a", "") + Site("b", "UID=other\r\n") + Site("c", "") + Site("d", ""));
    Mine(0).userId = "mine";
    memory.RemoveSite(0, 2);
    ASSERT_TRUE(store.SaveCatalogue(memory));
    EXPECT_EQ(questions, 0);
    SiteCatalogue saved;
    SiteStore(path).LoadCatalogue(saved);
    ASSERT_EQ(saved.groups.at(0).sites.size(), 3u) << ReadAll(path);
    EXPECT_EQ(saved.groups[0].sites[0].userId, "mine");
    EXPECT_EQ(saved.groups[0].sites[1].userId, "other");
    EXPECT_EQ(saved.groups[0].sites[2].name, "d");
    EXPECT_EQ(memory.groups[0].sites.size(), 3u);  // memory took the other writer's changes too
}

TEST_F(CatalogueMergeTest, ASiteChangedOnBothSidesAsksAndKeepsWhatTheAnswerSays) {
    const struct {
        ConflictChoice choice;
        std::vector<std::string> sites;  // name/user of each site after the save
    } rows[] = {
        {ConflictChoice::KeepMine, {"a/mine"}},
        {ConflictChoice::TakeTheirs, {"a/theirs"}},
        {ConflictChoice::KeepBoth, {"a/mine", "a (changed elsewhere)/theirs"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.choice));
        memory = {};
        SiteStore fresh(path);
        WriteAll(path, Site("a", ""));
        fresh.LoadCatalogue(memory);
        std::vector<SiteConflict> asked;
        fresh.SetConflictResolver([&](const SiteConflict& conflict) {
            asked.push_back(conflict);
            return row.choice;
        });
        WriteAll(path, Site("a", "UID=theirs\r\n"));
        Mine(0).userId = "mine";
        ASSERT_TRUE(fresh.SaveCatalogue(memory));
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].mine->userId, "mine");
        EXPECT_EQ(asked[0].theirs->userId, "theirs");
        SiteCatalogue saved;
        SiteStore(path).LoadCatalogue(saved);
        std::vector<std::string> sites;
        for (const SiteProfile& site : saved.groups.at(0).sites) sites.push_back(site.name + "/" + site.userId);
        EXPECT_EQ(sites, row.sites);
    }
}
