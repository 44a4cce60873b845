// The catalogue reader against hand-written files: one table, one loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sites/store/catalogue_encoding.h"
#include "sites/store/catalogue_format.h"
#include "sites/store/site_catalogue.h"

namespace {

// "Group{site,site} Group{}" in catalogue order.
std::string Outline(const SiteCatalogue& catalogue) {
    std::string text;
    for (const auto& group : catalogue.groups) {
        if (!text.empty()) text += ' ';
        text += group.label + '{';
        for (std::size_t index = 0; index < group.sites.size(); ++index) {
            if (index) text += ',';
            text += group.sites[index].name;
        }
        text += '}';
    }
    return text;
}

std::string Entry(const std::string& name, const std::string& keys) {
    return "[" + name + "]\r\n" + keys + "\r\n";
}

struct ReaderCase {
    const char* what;
    std::string text;
    std::string outline;
    std::function<void(const SiteCatalogue&)> check;
};

// UTF-16 with its byte order mark, from text of Latin-1 characters written as
// UTF-8 (enough for the rows here).
std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        unsigned code = static_cast<unsigned char>(utf8[at]);
        if (code >= 0xC0) code = ((code & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++at]) & 0x3F);
        const char high = static_cast<char>(code >> 8), low = static_cast<char>(code & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

const SiteProfile& First(const SiteCatalogue& catalogue) { return catalogue.groups.at(0).sites.at(0); }

}  // namespace

TEST(CatalogueReader, ReadsTheCasesOfTheFileFormat) {
    const std::string longValue(191, 'p');
    const std::vector<ReaderCase> cases = {
        {"full entry with CR LF line ends",
         "[Home]\r\nHOST=ftp.example.org\r\nACCOUNT=acct\r\nUID=joe\r\nPASSWORD=secret\r\nSAVPWD=TRUE\r\n"
         "ICON=Wexal.exe ,32\r\nGROUP=Work\r\nLOCALDIR=/tmp\r\nREMOTEDIR=/pub\r\nPROMPT?=FALSE\r\n"
         "FIREWALL?=TRUE\r\n\r\n",
         "Work{Home}",
         [longValue](const SiteCatalogue& c) {
             const SiteProfile& p = First(c);
             EXPECT_EQ(p.host, "ftp.example.org");
             EXPECT_EQ(p.account, "acct");
             EXPECT_EQ(p.userId, "joe");
             EXPECT_EQ(p.password, "secret");
             EXPECT_TRUE(p.savePassword);
             EXPECT_EQ(p.icon, "Wexal.exe ,32");
             EXPECT_EQ(p.localDir, "/tmp");
             EXPECT_EQ(p.remoteDir, "/pub");
             EXPECT_FALSE(p.prompt);
             EXPECT_TRUE(p.useFirewall);
             EXPECT_EQ(p.kind, 5);
         }},
        {"LF alone ends lines too", "[a]\nHOST=h\nGROUP=G\n", "G{a}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).host, "h"); }},
        {"only TRUE is true; a missing PROMPT? is true", Entry("a", "SAVPWD=true\r\nFIREWALL?=True"),
         "User Defined{a}",
         [longValue](const SiteCatalogue& c) {
             EXPECT_FALSE(First(c).savePassword);
             EXPECT_FALSE(First(c).useFirewall);
             EXPECT_TRUE(First(c).prompt);
         }},
        {"values lose surrounding blanks, keep inner ones and further =",
         Entry("a", "PASSWORD=  pass word \t\r\nHOST= a=b "), "User Defined{a}",
         [longValue](const SiteCatalogue& c) {
             EXPECT_EQ(First(c).password, "pass word");
             EXPECT_EQ(First(c).host, "a=b");
         }},
        {"a site named like the placeholder only creates its group",
         Entry("Group Place Holder", "GROUP=Empty"), "Empty{}", nullptr},
        {"groups in first-named order, sites sorted",
         Entry("zeta", "GROUP=B") + Entry("y", "GROUP=A") + Entry("alpha", "GROUP=B"), "B{alpha,zeta} A{y}",
         nullptr},
        {"sorting ignores case", Entry("beta", "") + Entry("Alpha", "") + Entry("alpha", ""),
         "User Defined{Alpha,alpha,beta}", nullptr},
        {"same name twice gives two sites", Entry("s", "HOST=1") + Entry("s", "HOST=2"), "User Defined{s,s}",
         [longValue](const SiteCatalogue& c) {
             EXPECT_EQ(c.groups[0].sites[0].host, "1");
             EXPECT_EQ(c.groups[0].sites[1].host, "2");
         }},
        {"no GROUP key means User Defined", Entry("a", "HOST=x") + Entry("b", "HOST=y"), "User Defined{a,b}",
         nullptr},
        {"keys match exactly: blank before =, lower case, unknown",
         Entry("a", "HOST =bad\r\nhost=bad\r\nCOLOR=red"), "User Defined{a}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).host, ""); }},
        {"the last of a repeated key wins", Entry("a", "UID=one\r\nUID=two"), "User Defined{a}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).userId, "two"); }},
        {"section without ] takes the rest of the line", "[open name\r\nHOST=h\r\n",
         "User Defined{open name}", nullptr},
        {"keys before the first section are ignored", "HOST=early\r\n" + Entry("a", ""), "User Defined{a}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).host, ""); }},
        {"a line without = is ignored", Entry("a", "just text\r\nUID=u"), "User Defined{a}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).userId, "u"); }},
        {"a one-character line keeps the pending entry", Entry("a", "x\r\nUID=u\r\n[") + Entry("b", ""),
         "User Defined{a,b}", [](const SiteCatalogue& c) { EXPECT_EQ(First(c).userId, "u"); }},
        {"a line past 179 characters is split, its rest a line of its own",
         Entry("a", "PASSWORD=" + longValue.substr(0, 170) + "[tail]"), "User Defined{a,tail}",
         [longValue](const SiteCatalogue& c) { EXPECT_EQ(First(c).password, longValue.substr(0, 170)); }},
        {"a 200-character key line is cut and its rest ignored",
         Entry("a", "HOST=" + longValue + "\r\nUID=u"), "User Defined{a}",
         [longValue](const SiteCatalogue& c) {
             EXPECT_EQ(First(c).host, longValue.substr(0, 174));
             EXPECT_EQ(First(c).userId, "u");
         }},
        {"a name holding ] reads back whole", Entry("a]b", ""), "User Defined{a]b}", nullptr},
        {"blank lines and trailing blanks are skipped", "\r\n  \r\n[a]  \r\n\r\n\tUID=u\r\n",
         "User Defined{a}", [](const SiteCatalogue& c) { EXPECT_EQ(First(c).userId, "u"); }},
        {"DATAMODE gives a site its own data connection mode",
         Entry("p", "DATAMODE=PASSIVE\r\nGROUP=G") + Entry("q", "GROUP=G\r\nDATAMODE=ACTIVE"), "G{p,q}",
         [](const SiteCatalogue& c) {
             EXPECT_EQ(c.groups[0].sites[0].dataMode, DataMode::Passive);
             EXPECT_EQ(c.groups[0].sites[1].dataMode, DataMode::Active);
         }},
        {"a missing or unknown DATAMODE means the program default",
         Entry("a", "DATAMODE=passive") + Entry("b", "DATAMODE=EPSV\r\nUID=u") + Entry("c", "DATAMODE=") +
             Entry("d", "HOST=h"),
         "User Defined{a,b,c,d}",
         [](const SiteCatalogue& c) {
             for (const SiteProfile& site : c.groups[0].sites) EXPECT_FALSE(site.dataMode) << site.name;
             EXPECT_EQ(c.groups[0].sites[1].userId, "u");
         }},
        {"ENCRYPTION and TLSFINGERPRINT give a site its protection and trusted certificate",
         Entry("a", "ENCRYPTION=EXPLICIT\r\nTLSFINGERPRINT=SHA256:abc+/9") +
             Entry("b", "ENCRYPTION=IMPLICIT") + Entry("c", "ENCRYPTION=PLAIN\r\nUID=u") +
             Entry("d", "ENCRYPTION=AUTO"),
         "User Defined{a,b,c,d}",
         [](const SiteCatalogue& c) {
             const auto& sites = c.groups[0].sites;
             const tls::Encryption expected[] = {tls::Encryption::RequireExplicit,
                                                 tls::Encryption::RequireImplicit, tls::Encryption::Plain,
                                                 tls::Encryption::ExplicitIfAvailable};
             for (std::size_t at = 0; at < sites.size(); ++at) EXPECT_EQ(sites[at].encryption, expected[at]);
             EXPECT_EQ(sites[0].tlsFingerprint, "SHA256:abc+/9");
             EXPECT_EQ(sites[1].tlsFingerprint, "");
             EXPECT_EQ(sites[2].userId, "u");
         }},
        {"an entry from before encryption was a choice, or an empty one, uses TLS if available",
         Entry("old", "HOST=h\r\nFIREWALL?=TRUE") + Entry("z", "ENCRYPTION="), "User Defined{old,z}",
         [](const SiteCatalogue& c) {
             for (const SiteProfile& site : c.groups[0].sites) {
                 EXPECT_EQ(site.encryption, tls::Encryption::ExplicitIfAvailable) << site.name;
                 EXPECT_EQ(site.tlsFingerprint, "") << site.name;
             }
         }},
        {"an empty file is an empty catalogue", "", "", nullptr},
        {"CR alone ends lines too", "[a]\rHOST=h\rGROUP=G\r\r[b]\rGROUP=G\r", "G{a,b}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).host, "h"); }},
        {"a UTF-8 byte order mark is not part of the first line", "\xEF\xBB\xBF[a]\r\nGROUP=G\r\n", "G{a}",
         nullptr},
        {"UTF-16 little-endian with its mark", Utf16("[a]\r\nHOST=h\xC3\xA9\r\nGROUP=G\r\n", false), "G{a}",
         [](const SiteCatalogue& c) { EXPECT_EQ(First(c).host, "h\xC3\xA9"); }},
        {"UTF-16 big-endian with its mark", Utf16("[a]\nGROUP=G\n", true), "G{a}", nullptr},
    };

    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        SiteCatalogue catalogue;
        ReadCatalogueText(CatalogueTextFromFile(row.text), catalogue);
        EXPECT_EQ(Outline(catalogue), row.outline);
        if (row.check && !catalogue.groups.empty() && !catalogue.groups[0].sites.empty())
            row.check(catalogue);
    }
}

namespace {

// Counts how often the reader looks at a placed site's label.
class CountingCatalogue : public SiteCatalogue {
public:
    std::string SiteLabel(int group, int site) const override {
        ++labelReads;
        return SiteCatalogue::SiteLabel(group, site);
    }
    mutable long labelReads = 0;
};

}  // namespace

// Sites in shuffled order, equal names in different case, in two groups.
std::vector<SiteProfile> ShuffledSites(int count, std::string& text) {
    std::vector<SiteProfile> sites;
    for (int index = 0; index < count; ++index) {
        SiteProfile profile;
        profile.name = (index % 3 ? "site " : "SITE ") + std::to_string(index * 7919 % count / 2);
        profile.host = "h" + std::to_string(index);
        profile.group = index % 50 == 0 ? "Few" : "Many";
        text += Entry(profile.name, "HOST=" + profile.host + "\r\nGROUP=" + profile.group);
        sites.push_back(profile);
    }
    return sites;
}

// A file of many sites places each once, without comparing it against all
// those placed before, and in the order one-by-one placing gives.
TEST(CatalogueReader, PlacesAWholeFileInLinearWorkAsOneByOneWould) {
    std::string large;
    ShuffledSites(20000, large);
    CountingCatalogue counted;
    EXPECT_EQ(ReadCatalogueText(large, counted), 20000u);
    EXPECT_EQ(counted.labelReads, 0);
    EXPECT_EQ(counted.groups.at(1).sites.size(), 19600u);

    std::string text;
    const std::vector<SiteProfile> sites = ShuffledSites(2000, text);
    SiteCatalogue read;
    ReadCatalogueText(text, read);
    SiteCatalogue oneByOne;
    for (const SiteProfile& profile : sites) PlaceProfile(oneByOne, profile);
    ASSERT_EQ(read.groups.size(), oneByOne.groups.size());
    for (std::size_t group = 0; group < oneByOne.groups.size(); ++group)
        EXPECT_EQ(read.groups[group].sites, oneByOne.groups[group].sites);
}
