#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "support/scripted_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScriptedFtpServer;
using testsupport::SessionHarness;

struct OperationCase {
    const char* name;
    std::function<ReplyClass(FtpSession&)> run;
    std::vector<std::pair<std::string, std::string>> script;
    std::vector<std::string> sent;
    ReplyClass result;
};

std::vector<OperationCase> Cases() {
    return {
        {"cd done",
         [](FtpSession& s) { return s.ChangeDir("pub"); },
         {{"CWD", "250 ok\r\n"}},
         {"CWD pub"},
         kComplete},
        {"cd 500 takes the X form",
         [](FtpSession& s) { return s.ChangeDir("pub"); },
         {{"CWD", "500 unknown\r\n"}, {"XCWD", "250 ok\r\n"}},
         {"CWD pub", "XCWD pub"},
         kComplete},
        {"cd 550 is repeated",
         [](FtpSession& s) { return s.ChangeDir("pub"); },
         {{"CWD", "550 no\r\n"}, {"CWD", "550 still no\r\n"}},
         {"CWD pub", "CWD pub"},
         kPermanent},
        {"cd to root",
         [](FtpSession& s) { return ReplyClassOf(s.Remote().ChangeToRoot()); },
         {{"CWD", "250 ok\r\n"}},
         {"CWD /"},
         kComplete},
        {"mkdir 500 takes the X form",
         [](FtpSession& s) { return s.MakeDir("new dir"); },
         {{"MKD", "500 unknown\r\n"}, {"XMKD", "257 made\r\n"}},
         {"MKD new dir", "XMKD new dir"},
         kComplete},
        {"rmdir 553 then done",
         [](FtpSession& s) { return s.RemoveDir("old"); },
         {{"RMD", "553 busy\r\n"}, {"RMD", "250 gone\r\n"}},
         {"RMD old", "RMD old"},
         kComplete},
        {"rmdir 4xx is not repeated",
         [](FtpSession& s) { return s.RemoveDir("old"); },
         {{"RMD", "450 later\r\n"}},
         {"RMD old"},
         kTransient},
        {"delete",
         [](FtpSession& s) { return s.DeleteFile("a.txt"); },
         {{"DELE", "250 gone\r\n"}},
         {"DELE a.txt"},
         kComplete},
        {"delete refused",
         [](FtpSession& s) { return s.DeleteFile("a.txt"); },
         {{"DELE", "550 no\r\n"}},
         {"DELE a.txt"},
         kPermanent},
        {"rename",
         [](FtpSession& s) { return s.Rename("a", "b") ? kComplete : kPermanent; },
         {{"RNFR", "350 go on\r\n"}, {"RNTO", "250 done\r\n"}},
         {"RNFR a", "RNTO b"},
         kComplete},
        {"rename RNFR refused sends no RNTO",
         [](FtpSession& s) { return s.Rename("a", "b") ? kComplete : kPermanent; },
         {{"RNFR", "550 no such file\r\n"}},
         {"RNFR a"},
         kPermanent},
        {"rename RNTO refused",
         [](FtpSession& s) { return s.Rename("a", "b") ? kComplete : kPermanent; },
         {{"RNFR", "350 go on\r\n"}, {"RNTO", "553 bad name\r\n"}},
         {"RNFR a", "RNTO b"},
         kPermanent},
        {"chmod",
         [](FtpSession& s) { return s.SetPermissions("644", "f.txt"); },
         {{"SITE", "200 ok\r\n"}},
         {"SITE CHMOD 644 f.txt"},
         kComplete},
        {"chmod refused",
         [](FtpSession& s) { return s.SetPermissions("777", "f.txt"); },
         {{"SITE", "550 not allowed\r\n"}},
         {"SITE CHMOD 777 f.txt"},
         kPermanent},
    };
}

// Logs harness's session in to server, which has the script's steps after the log-in.
bool LogIn(ScriptedFtpServer& server, SessionHarness& harness,
           const std::vector<std::pair<std::string, std::string>>& script) {
    server.Expect("USER", "230 in\r\n");
    for (const auto& [verb, reply] : script) server.Expect(verb, reply);
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.host = server.HostText();
        config.user = "u";
    });
    return harness.session.Logon().Connected();
}

// What the server received after the log-in (USER, and FEAT after it).
std::vector<std::string> SentAfterLogIn(const ScriptedFtpServer& server) {
    std::vector<std::string> sent = server.Received();
    sent.erase(sent.begin(), sent.begin() + 2);
    return sent;
}

TEST(RemoteOperations, CommandsFallbacksAndResults) {
    for (const OperationCase& row : Cases()) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server;
        SessionHarness harness;
        ASSERT_TRUE(LogIn(server, harness, row.script));
        EXPECT_EQ(row.run(harness.session), row.result);
        EXPECT_EQ(SentAfterLogIn(server), row.sent);
        EXPECT_TRUE(server.Mismatches().empty());
    }
}

// The reason each refusal comes back with.
TEST(RemoteOperations, ErrorsCarryTheReplyOrWhyNothingWasSent) {
    using Category = Error::Category;
    const struct {
        const char* name;
        std::function<Result<void>(RemoteOperations&)> run;
        std::vector<std::pair<std::string, std::string>> script;
        std::vector<std::string> sent;
        Error error;
    } rows[] = {
        {"cd refused twice",
         [](RemoteOperations& r) { return r.ChangeDir("pub"); },
         {{"CWD", "550 no\r\n"}, {"CWD", "550 still no\r\n"}},
         {"CWD pub", "CWD pub"},
         {Category::Reply, "550 still no", 550}},
        {"rename answered 250 to RNFR",
         [](RemoteOperations& r) { return r.Rename("a", "b"); },
         {{"RNFR", "250 odd\r\n"}},
         {"RNFR a"},
         {Category::Protocol, "250 odd", 250}},
        {"delete a name with a line break",
         [](RemoteOperations& r) { return r.DeleteFile("a\r\nDELE b"); },
         {},
         {},
         {Category::NotSent, "Not sent"}},
        {"chmod 4xx",
         [](RemoteOperations& r) { return r.SetPermissions("644", "f"); },
         {{"SITE", "450 busy\r\n"}},
         {"SITE CHMOD 644 f"},
         {Category::Reply, "450 busy", 450}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server;
        SessionHarness harness;
        ASSERT_TRUE(LogIn(server, harness, row.script));
        const Result<void> result = row.run(harness.session.Remote());
        const Error& error = result.Failure();
        EXPECT_EQ(error.category, row.error.category);
        EXPECT_EQ(error.replyCode, row.error.replyCode);
        EXPECT_EQ(error.message, row.error.message);
        EXPECT_EQ(SentAfterLogIn(server), row.sent);
        EXPECT_TRUE(server.Mismatches().empty());
    }
}

TEST(Quit, SendsLowerCaseQuitAndEndsTheSession) {
    ScriptedFtpServer server;
    SessionHarness harness;
    ASSERT_TRUE(LogIn(server, harness, {}));
    EXPECT_EQ(harness.session.Quit(), kComplete);
    EXPECT_FALSE(harness.session.IsConnected());
    EXPECT_FALSE(harness.session.Control().IsOpen());
    EXPECT_EQ(server.Received().back(), "quit");
    // Without a control connection nothing is sent.
    EXPECT_EQ(harness.session.Quit(), kNotSent);
    EXPECT_EQ(server.Received().size(), 3u);  // USER, FEAT, quit
}

TEST(ExtensionTable, KeysAndLookups) {
    EXPECT_EQ(FtpSession::ExtensionKey("README"), ".unk.");
    EXPECT_EQ(FtpSession::ExtensionKey("notes.txt.old"), "notes.txt.old");

    testsupport::TempDir dir;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    EXPECT_EQ(FtpSession::TypeForName("a.txt"), 'I');  // no table: binary

    dir.WriteFile("Extension.ftp",
                  "A TXT\n"
                  "I ZIP\r\n"
                  "L BIN\n"
                  "a txt2\n"  // lower case never matches the upper-case key
                  "X UNK\n"
                  "A FOURTEENCHARSX\n"  // 14 characters: longer than an extension may be
                  "A " +
                      std::string(200, 'Q') +
                      "\n"
                      "A HTM");  // a last line without a line end keeps its last character
    const struct {
        const char* key;
        char type;
    } rows[] = {
        {"a.txt", 'A'},
        {"NOTES.TXT.OLD", 'A'},
        {"archive.zip", 'I'},
        {"firmware.bin", 'L'},
        {"b.txt2", 'A'},  // ".TXT" matches inside ".TXT2": the first matching line wins
        {".unk.", 'I'},   // UNK with an unknown letter means binary
        {"x.fourteencharsx", 'I'},
        {"index.htm", 'A'},
        {"image.png", 'I'},
    };
    for (const auto& row : rows) EXPECT_EQ(FtpSession::TypeForName(row.key), row.type) << row.key;
    ASSERT_EQ(chdir(previous), 0);
}

}  // namespace
