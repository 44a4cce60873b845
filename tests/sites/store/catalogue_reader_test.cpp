// The catalogue reader against hand-written files: one table, one loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>

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
        {"an empty file is an empty catalogue", "", "", nullptr},
    };

    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        SiteCatalogue catalogue;
        ReadCatalogueText(row.text, catalogue);
        EXPECT_EQ(Outline(catalogue), row.outline);
        if (row.check && !catalogue.groups.empty() && !catalogue.groups[0].sites.empty())
            row.check(catalogue);
    }
}
