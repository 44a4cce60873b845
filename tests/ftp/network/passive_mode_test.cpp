// Passive data connections against the scripted server: EPSV and PASV, the
// address a PASV reply names (never connected to), malformed replies, and the
// switches between passive and active mode when the server refuses one.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "scripted_transfer_session.h"
#include "support/passive_port.h"
#include "support/session_settings.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::DataLink;
using testsupport::PassivePort;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

// The reply that makes a step carry the file: 150, the data over the data
// connection of the mode negotiated last in the row, then 226.

struct Step {
    const char* verb;
    const char* reply;  // "%P" and "%B" stand for the passive port
};

struct ModeCase {
    const char* name;
    DataMode startMode;
    std::vector<Step> steps;  // after TYPE (and the unscripted SIZE); "%S" is a port that never answers
    bool downloads;           // the file arrives
    const char* logLine;      // a line the session logs (part of it)
    DataMode modeAfter;
    std::vector<Step> next = {};  // the next download, which starts with the way that worked
    const char* typeReply = "200 Type set.\r\n";
};

const std::string kEpsvOk = "229 Entering Extended Passive Mode (|||%P|)\r\n";
const Step kPasvOk{"PASV", "227 Entering Passive Mode (127,0,0,1,%B).\r\n"};
const Step kPortOk{"PORT", "200 PORT command successful.\r\n"};
const Step kServe{"RETR", testsupport::kServeFile};

std::vector<ModeCase> Cases() {
    return {
        {"EpsvFirst",
         DataMode::Passive,
         {{"EPSV", kEpsvOk.c_str()}, {"RETR", testsupport::kServeFile}},
         true,
         "connected to 127.0.0.1 port ",
         DataMode::Passive},
        {"PasvWhenEpsvUnknown",
         DataMode::Passive,
         {{"EPSV", "500 Unknown command.\r\n"},
          {"PASV", "227 Entering Passive Mode (127,0,0,1,%B).\r\n"},
          {"RETR", testsupport::kServeFile}},
         true,
         "connected to 127.0.0.1 port ",
         DataMode::Passive},
        // Another loopback address plays the third host: the port listens on
        // 127.0.0.1 only, so a client that went there would fail.
        {"PasvAddressIsNotConnectedTo",
         DataMode::Passive,
         {{"EPSV", "502 Not implemented.\r\n"},
          {"PASV", "227 =127,0,0,2,%B\r\n"},
          {"RETR", testsupport::kServeFile}},
         true,
         "The server named 127.0.0.2 for the data connection; connecting to 127.0.0.1 instead",
         DataMode::Passive},
        {"BothRefusedFallsBackToActive",
         DataMode::Passive,
         {{"EPSV", "500 No.\r\n"},
          {"PASV", "502 No.\r\n"},
          {"PORT", "200 ok\r\n"},
          {"RETR", testsupport::kServeFile}},
         true,
         "Passive mode refused; switching to active mode.",
         DataMode::Active},
        {"PortRefusedRetriesPassive",
         DataMode::Active,
         {{"PORT", "500 Illegal PORT command.\r\n"},
          {"EPSV", kEpsvOk.c_str()},
          {"RETR", testsupport::kServeFile}},
         true,
         "Active mode refused; switching to passive mode.",
         DataMode::Passive,
         {{"EPSV", kEpsvOk.c_str()}, kServe}},
        {"UnreachableListenerRetriesPassive",
         DataMode::Active,
         {{"PORT", "200 ok\r\n"},
          {"RETR", "425 Failed to establish connection.\r\n"},
          {"EPSV", kEpsvOk.c_str()},
          {"RETR", testsupport::kServeFile}},
         true,
         "The server could not connect in active mode; switching to passive mode.",
         DataMode::Passive},
        {"EpsvPortZero",
         DataMode::Passive,
         {{"EPSV", "229 Extended Passive Mode (|||0|)\r\n"}, kPasvOk, kServe},
         true,
         "The server's EPSV reply names no port; trying PASV.",
         DataMode::Passive,
         {kPasvOk, kServe}},
        // vsftpd with pasv_enable=NO answers both with 550.
        {"EpsvRefused",
         DataMode::Passive,
         {{"EPSV", "550 Permission denied.\r\n"}, kPasvOk, kServe},
         true,
         "EPSV refused (550); trying PASV.",
         DataMode::Passive,
         {kPasvOk, kServe}},
        {"EpsvRefusedTwiceWith425",
         DataMode::Passive,
         {{"EPSV", "425 No port.\r\n"}, {"EPSV", "425 No port.\r\n"}, kPasvOk, kServe},
         true,
         "EPSV refused (425); trying PASV.",
         DataMode::Passive},
        {"EpsvPortSilent",
         DataMode::Passive,
         {{"EPSV", "229 (|||%S|)\r\n"}, kPasvOk, kServe},
         true,
         "failed (no answer within 300 ms); trying PASV.",
         DataMode::Passive,
         {kPasvOk, kServe}},
        {"PassiveRefusedGoesActive",
         DataMode::Passive,
         {{"EPSV", "550 Permission denied.\r\n"}, {"PASV", "550 Permission denied.\r\n"}, kPortOk, kServe},
         true,
         "Passive mode refused; switching to active mode.",
         DataMode::Active,
         {kPortOk, kServe}},
        {"NoWayWorksFromPassive",
         DataMode::Passive,
         {{"EPSV", "550 No.\r\n"}, {"PASV", "550 No.\r\n"}, {"PORT", "450 Not now.\r\n"}},
         false,
         "Active mode refused as well; the transfer is not started.",
         DataMode::Passive},
        {"NoWayWorksFromActive",
         DataMode::Active,
         {{"PORT", "500 No.\r\n"}, {"EPSV", "550 No.\r\n"}, {"PASV", "550 No.\r\n"}},
         false,
         "Passive mode refused as well; the transfer is not started.",
         DataMode::Active},
        {"TypeRefused",
         DataMode::Passive,
         {},
         false,
         "The server refused TYPE I; the file is not transferred",
         DataMode::Passive,
         {},
         "504 Not for this file.\r\n"},
        {"PasvNumberOutOfRange",
         DataMode::Passive,
         {{"EPSV", "500 No.\r\n"}, {"PASV", "227 Entering Passive Mode (127,0,0,1,300,1)\r\n"}},
         false,
         "The server's PASV reply names no valid address and port",
         DataMode::Passive},
        {"PasvWithoutNumbers",
         DataMode::Passive,
         {{"EPSV", "500 No.\r\n"}, {"PASV", "227 Entering Passive Mode\r\n"}},
         false,
         "The server's PASV reply names no valid address and port",
         DataMode::Passive},
        {"PassiveRefusedOtherwise",
         DataMode::Passive,
         {{"EPSV", "421 Too many connections.\r\n"}},
         false,
         "421 Too many connections.",
         DataMode::Passive},
    };
}

class PassiveModeTest : public ::testing::TestWithParam<ModeCase> {
protected:
    // Scripts the row's steps; the file step serves the data over the mode
    // the steps before it negotiated.
    void Script(const std::vector<Step>& rowSteps, DataMode startMode, const char* typeReply) {
        s.server.Expect("TYPE", typeReply);
        std::vector<std::pair<std::string, std::string>> steps;
        for (const Step& step : rowSteps) {
            std::string reply = step.reply;
            if (const std::size_t at = reply.find("%S"); at != std::string::npos) {
                silent.FillQueue();
                reply.replace(at, 2, std::to_string(silent.Port()));
            }
            steps.emplace_back(step.verb, reply);
        }
        testsupport::ScriptDataSteps(s.server, port, startMode == DataMode::Passive, steps, "passive bytes");
    }

    testsupport::ScriptedTransferSession s;
    PassivePort port;
    PassivePort silent;
    TempDir dir;
};

TEST_P(PassiveModeTest, NegotiatesTheDataConnection) {
    const ModeCase& row = GetParam();
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) {
        config.dataMode = row.startMode;
        config.dataConnectLimit = 300ms;
    });
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    Script(row.steps, row.startMode, row.typeReply);
    const std::string local = (dir / "f.bin").string();
    const ReplyClass result = s.session.DownloadFile("f.bin", &local);

    EXPECT_EQ(result == kComplete, row.downloads) << s.harness.Joined();
    EXPECT_EQ(std::filesystem::exists(local), row.downloads);
    if (row.downloads) {
        EXPECT_EQ(TempDir::ReadFile(local), "passive bytes");
    }
    EXPECT_TRUE(s.harness.HasLineContaining(row.logLine)) << s.harness.Joined();
    EXPECT_FALSE(s.harness.HasLineContaining("connected to 127.0.0.2"));
    EXPECT_EQ(s.session.Transfer().DataModeInUse(), row.modeAfter);
    EXPECT_EQ(s.session.Settings().dataMode, row.startMode) << "the caller's choice stays as it was";
    EXPECT_EQ(s.server.PendingSteps(), 0u) << s.harness.Joined();
    EXPECT_TRUE(s.server.Mismatches().empty()) << s.harness.Joined();
    EXPECT_FALSE(s.session.Transfer().DataConnectionOpen());
    EXPECT_EQ(s.session.Control().BusyCount(), 0);
    if (!row.downloads) {
        EXPECT_NE(s.server.Received().back(), "RETR f.bin") << "a failed start sends no transfer command";
    }
    if (row.next.empty()) return;
    Script(row.next, row.modeAfter, row.typeReply);
    const std::string second = (dir / "g.bin").string();
    EXPECT_EQ(s.session.DownloadFile("f.bin", &second), kComplete) << s.harness.Joined();
    EXPECT_EQ(s.server.PendingSteps(), 0u) << s.harness.Joined();
    EXPECT_TRUE(s.server.Mismatches().empty()) << s.harness.Joined();
}

INSTANTIATE_TEST_SUITE_P(Rows, PassiveModeTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

// A server that does not know EPSV is not asked again on this connection.
TEST(PassiveModeSession, RemembersThatEpsvIsUnknown) {
    testsupport::ScriptedTransferSession s;
    TempDir dir;
    PassivePort port;
    testsupport::Reconfigure(s.session,
                             [&](ConnectionSettings& config) { config.dataMode = DataMode::Passive; });
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    s.server.Expect("TYPE", "200 ok\r\n").Expect("EPSV", "500 Unknown command.\r\n");
    for (int i = 0; i < 2; ++i) {
        s.server.Expect("PASV", port.Fill("227 Entering Passive Mode (127,0,0,1,%B)\r\n"));
        s.server.Expect("LIST", [&port](ScriptedConnection& connection, const std::string&) {
            connection.Send("150 Here comes the listing.\r\n");
            DataLink link = port.Accept(5s);
            link.SendAll("-rw-r--r--   1 ftp      ftp      3 Jan  1  2020 a\r\n");
            link.Close();
            connection.Send("226 Done.\r\n");
        });
        if (i == 0) s.server.Expect("TYPE", "200 ok\r\n");
    }
    std::vector<std::string> names;
    for (int i = 0; i < 2; ++i) {
        const Result<Listing> listing = s.session.Lister().ListLinksAsLinks(".");
        ASSERT_TRUE(listing.Ok()) << s.harness.Joined();
        for (const RemoteEntry& entry : listing.Value().entries) names.push_back(entry.name);
    }
    const std::vector<std::string> expected = {"TYPE A", "EPSV", "PASV", "LIST", "TYPE A", "PASV", "LIST"};
    EXPECT_EQ(s.Commands(), expected) << s.harness.Joined();
    EXPECT_EQ(names, (std::vector<std::string>{"a", "a"}));
}

// The connect to the data port is bounded by the session's time limit too,
// and a port that does not answer leaves the session connected.
TEST(PassiveModeSession, AHangingDataConnectEndsAtTheTimeLimit) {
    testsupport::ScriptedTransferSession s;
    TempDir dir;
    PassivePort port;
    port.FillQueue();
    testsupport::Reconfigure(s.session,
                             [&](ConnectionSettings& config) { config.dataMode = DataMode::Passive; });
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    s.server.Expect("TYPE", "200 ok\r\n").Expect("EPSV", port.Fill(kEpsvOk));
    const auto start = std::chrono::steady_clock::now();
    const std::string local = (dir / "f").string();
    EXPECT_NE(s.session.DownloadFile("f", &local), kComplete);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    EXPECT_TRUE(s.harness.HasLineContaining("failed (no answer within 1000 ms); trying PASV."))
        << s.harness.Joined();
    EXPECT_TRUE(s.session.IsConnected());
    EXPECT_FALSE(std::filesystem::exists(local));
}

// The server still owes its reply to a transfer whose active connection
// never came, so that one is not asked again; the next ones go passive.
TEST(PassiveModeSession, AnActiveConnectionThatNeverArrivesSwitchesLaterTransfers) {
    testsupport::ScriptedTransferSession s;
    TempDir dir;
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        connection.Pause(1500ms);
    });
    const std::string local = (dir / "f").string();
    EXPECT_NE(s.session.DownloadFile("f", &local), kComplete);
    EXPECT_TRUE(s.harness.HasLine("The active data connection never arrived; switching to passive mode."))
        << s.harness.Joined();
    EXPECT_EQ(s.session.Transfer().DataModeInUse(), DataMode::Passive);
    EXPECT_EQ(s.server.Received().back(), "RETR f");
}

}  // namespace
