// Reading the answer to FEAT, and what the log-in does with it.
#include "ftp/server_features.h"

#include <gtest/gtest.h>

#include "support/scripted_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"

namespace {

using testsupport::ScriptedFtpServer;
using testsupport::SessionHarness;

TEST(ServerFeatures, ReadsFeatureLinesOfTheReply) {
    const struct {
        const char* title;
        std::vector<std::string> lines;
        bool utf8, mlst, restStream, size;
        std::vector<std::string> facts;
    } rows[] = {
        {"pyftpdlib shape",
         {"211-Features supported:\r\n", " EPRT\r\n", " MLST type*;perm;size*;modify*;unique;unix.mode;\r\n",
          " REST STREAM\r\n", " SIZE\r\n", " UTF8\r\n", "211 End FEAT.\r\n"},
         true,
         true,
         true,
         true,
         {"type", "perm", "size", "modify", "unique", "unix.mode"}},
        {"lower case words, no MLST",
         {"211-x\r\n", " utf8\r\n", " rest stream\r\n", "211 end\r\n"},
         true,
         false,
         true,
         false,
         {}},
        {"lines without the leading blank are not features",
         {"211-MLST type*;\r\n", "UTF8\r\n", "211 SIZE\r\n"},
         false,
         false,
         false,
         false,
         {}},
        {"REST without STREAM, MLST without facts, blank lines",
         {"211-x\r\n", " \r\n", " REST\r\n", " MLST\r\n", " ;;*;\r\n", "211 end\r\n"},
         false,
         true,
         false,
         false,
         {}},
        {"no lines at all", {}, false, false, false, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        const ServerFeatures features = ServerFeatures::FromFeatReply(row.lines);
        EXPECT_EQ(features.Utf8(), row.utf8);
        EXPECT_EQ(features.Mlst(), row.mlst);
        EXPECT_EQ(features.RestStream(), row.restStream);
        EXPECT_EQ(features.Offers("size"), row.size);
        EXPECT_EQ(features.MlstFacts(), row.facts);
    }
}

// FEAT follows a successful log-in; OPTS UTF8 ON follows only when UTF-8 is
// offered, and neither a refused FEAT nor a refused OPTS undoes the log-in.
TEST(ServerFeatures, LogonAsksAndSwitchesToUtf8WhenOffered) {
    const struct {
        const char* title;
        std::string featReply;
        std::string optsReply;  // empty: OPTS is not expected
        std::vector<std::string> sent;
        bool mlst;
    } rows[] = {
        {"FEAT unknown", "500 FEAT not understood.\r\n", "", {"USER u", "FEAT"}, false},
        {"FEAT not implemented", "502 No.\r\n", "", {"USER u", "FEAT"}, false},
        {"UTF8 and MLST offered",
         "211-Features:\r\n MLST type*;size*;\r\n UTF8\r\n211 End\r\n",
         "200 Always in UTF8 mode.\r\n",
         {"USER u", "FEAT", "OPTS UTF8 ON"},
         true},
        {"OPTS refused",
         "211-Features:\r\n UTF8\r\n211 End\r\n",
         "501 No.\r\n",
         {"USER u", "FEAT", "OPTS UTF8 ON"},
         false},
        {"no UTF8 offered", "211-Features:\r\n SIZE\r\n211 End\r\n", "", {"USER u", "FEAT"}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        ScriptedFtpServer server;
        server.Expect("USER", "230 in\r\n").Expect("FEAT", row.featReply);
        if (!row.optsReply.empty()) server.Expect("OPTS", row.optsReply);
        server.Expect("PWD", "257 \"/\"\r\n");
        SessionHarness harness;
        testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
            config.host = server.HostText();
            config.user = "u";
        });
        ASSERT_TRUE(harness.session.Logon().Connected());
        EXPECT_TRUE(harness.session.IsConnected());
        EXPECT_EQ(harness.session.LoginPart().Features().Mlst(), row.mlst);
        // The connection goes on with the next exchange as before.
        EXPECT_EQ(harness.session.Control().SendCommand("PWD"), kComplete);
        std::vector<std::string> expected = row.sent;
        expected.push_back("PWD");
        EXPECT_EQ(server.Received(), expected);
        EXPECT_TRUE(server.Mismatches().empty());
    }
}

TEST(ServerFeatures, HashAlgorithmsAndTheSelectedOne) {
    const ServerFeatures features =
        ServerFeatures::FromFeatReply({"211-Features:", " HASH SHA-1;sha-256*;MD5;", " XCRC", "211 End"});
    EXPECT_TRUE(features.Offers("hash"));
    EXPECT_EQ(features.HashAlgorithms(), (std::vector<std::string>{"SHA-1", "SHA-256", "MD5"}));
    EXPECT_EQ(features.SelectedHash(), "SHA-256");
    EXPECT_TRUE(features.Offers("XCRC"));
    EXPECT_EQ(ServerFeatures::FromFeatReply({"211-x", " HASH SHA-1", "211 y"}).SelectedHash(), "");
}

}  // namespace
