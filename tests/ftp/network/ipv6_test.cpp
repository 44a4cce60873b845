// Connections over IPv6 against the scripted server on ::1: the control
// connection, EPSV without PASV, EPRT for active mode and the fallbacks
// between them, and a host whose first address does not answer.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <unistd.h>

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

// A port on ::1 that nothing listens on (one that was just in use), or 0
// when this machine has no IPv6 loopback.
unsigned short ClosedIpv6Port() {
    try {
        unsigned short port = 0;
        close(testsupport::ListenOnLoopback("::1", 1, port));
        return port;
    } catch (const std::exception&) {
        return 0;
    }
}

#define REQUIRE_IPV6_LOOPBACK() \
    if (ClosedIpv6Port() == 0) GTEST_SKIP() << "this machine has no ::1"

net::SocketAddress Address(const std::string& text, unsigned port) {
    net::SocketAddress address;
    EXPECT_TRUE(net::SocketAddress::FromText(text, address)) << text;
    address.SetPort(port);
    return address;
}

TEST(Ipv6Connect, EachAddressIsTriedInTurnUntilOneAnswers) {
    REQUIRE_IPV6_LOOPBACK();
    testsupport::ScriptedFtpServer server;
    testsupport::SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 5; });
    const unsigned closed = ClosedIpv6Port();
    const std::vector<net::SocketAddress> addresses = {Address("::1", closed),
                                                       Address("127.0.0.1", server.Port())};
    net::Socket socket = harness.session.ConnectToEach(addresses, SOCK_STREAM, IPPROTO_TCP, "both", "ftp");
    ASSERT_TRUE(socket.IsOpen()) << harness.Joined();
    harness.session.Control().CloseSocket(socket);
    EXPECT_TRUE(
        harness.HasLine("Can't connect to ::1 port " + std::to_string(closed) + "; trying the next address."))
        << harness.Joined();
    EXPECT_TRUE(harness.HasLine("Connected to 127.0.0.1 port " + std::to_string(server.Port())));
    EXPECT_EQ(harness.session.LoginPart().ServerAddress().Port(), server.Port());

    // When none answers, the failure is the connection's, as for one address.
    harness.lines.clear();
    const std::vector<net::SocketAddress> none = {Address("::1", closed), Address("::1", closed)};
    EXPECT_FALSE(harness.session.ConnectToEach(none, SOCK_STREAM, IPPROTO_TCP, "both", "ftp").IsOpen());
    EXPECT_TRUE(harness.HasLine("Can't connect to both ftp service.")) << harness.Joined();
}

struct Ipv6Case {
    const char* name;
    DataMode startMode;
    std::vector<std::pair<const char*, const char*>> steps;  // verb, reply ("%P": passive port); after TYPE
    const char* logLine;
    DataMode modeAfter;
};

// The reply that makes a step carry the file over the last negotiated mode.
const char* const kEpsvOk = "229 Entering Extended Passive Mode (|||%P|)\r\n";

std::vector<Ipv6Case> Cases() {
    return {
        {"Epsv",
         DataMode::Passive,
         {{"EPSV", kEpsvOk}, {"RETR", testsupport::kServeFile}},
         "connected to ::1 port ",
         DataMode::Passive},
        {"EprtInActiveMode",
         DataMode::Active,
         {{"EPRT", "200 EPRT ok.\r\n"}, {"RETR", testsupport::kServeFile}},
         "listener ::1 port ",
         DataMode::Active},
        // PASV cannot name an IPv6 port, so it is never asked.
        {"EpsvRefusedGoesActiveWithoutPasv",
         DataMode::Passive,
         {{"EPSV", "500 Unknown command.\r\n"},
          {"EPRT", "200 EPRT ok.\r\n"},
          {"RETR", testsupport::kServeFile}},
         "Passive mode refused; switching to active mode.",
         DataMode::Active},
        {"EprtRefusedRetriesWithEpsv",
         DataMode::Active,
         {{"EPRT", "522 Network protocol not supported.\r\n"},
          {"EPSV", kEpsvOk},
          {"RETR", testsupport::kServeFile}},
         "Active mode refused; switching to passive mode.",
         DataMode::Passive},
    };
}

class Ipv6TransferTest : public ::testing::TestWithParam<Ipv6Case> {};

TEST_P(Ipv6TransferTest, DownloadsOverTheNegotiatedDataConnection) {
    REQUIRE_IPV6_LOOPBACK();
    const Ipv6Case& row = GetParam();
    testsupport::ScriptedTransferSession s("::1");
    PassivePort port("::1");
    TempDir dir;
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.dataMode = row.startMode; });
    ASSERT_NO_FATAL_FAILURE(s.LogIn());

    s.server.Expect("TYPE", "200 Type set.\r\n");
    testsupport::ScriptDataSteps(s.server, port, row.startMode == DataMode::Passive,
                                 {row.steps.begin(), row.steps.end()}, "six bytes");
    const std::string local = (dir / "f.bin").string();
    EXPECT_EQ(s.session.DownloadFile("f.bin", &local), kComplete) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "six bytes");
    EXPECT_TRUE(s.harness.HasLineContaining(row.logLine)) << s.harness.Joined();
    EXPECT_EQ(s.session.Transfer().DataModeInUse(), row.modeAfter);
    EXPECT_EQ(s.server.PendingSteps(), 0u) << s.harness.Joined();
    EXPECT_TRUE(s.server.Mismatches().empty()) << s.harness.Joined();
    for (const std::string& command : s.Commands()) {
        EXPECT_NE(command.rfind("PASV", 0), 0u) << "PASV sent over IPv6";
        EXPECT_NE(command.rfind("PORT", 0), 0u) << "PORT sent over IPv6";
        if (command.rfind("EPRT", 0) == 0) {
            EXPECT_EQ(command.rfind("EPRT |2|::1|", 0), 0u) << command;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Ipv6TransferTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Ipv6Case>& info) { return info.param.name; });

}  // namespace
