#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "support/real_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RealFtpServer;
using testsupport::SessionHarness;

struct ServerKind {
    const char* name;
    std::unique_ptr<RealFtpServer> (*start)();
    bool allowsChmod;  // vsftpd never lets anonymous users change permissions
};

const ServerKind kServers[] = {
    {"pyftpdlib", [] { return std::unique_ptr<RealFtpServer>(new testsupport::PyftpdlibServer); }, true},
    {"vsftpd", [] { return std::unique_ptr<RealFtpServer>(new testsupport::VsftpdServer); }, false},
};

void PrintTo(const ServerKind& kind, std::ostream* out) { *out << kind.name; }

class RealServer : public testing::TestWithParam<ServerKind> {};

TEST_P(RealServer, LogsInAndRunsEveryRemoteOperation) {
    std::unique_ptr<RealFtpServer> server = GetParam().start();
    if (!server->Started()) GTEST_SKIP() << server->Problem();
    const fs::path disk = server->WritableDir();
    std::ofstream(disk / "doomed.txt") << "bye";

    SessionHarness harness;
    FtpSession& session = harness.session;
    testsupport::Reconfigure(session, [&](ConnectionSettings& config) {
        config.host = server->HostText();
        config.user = "anonymous";
        config.password = "tester@example.org";
    });
    ASSERT_TRUE(session.Logon().Connected()) << harness.Joined();
    EXPECT_TRUE(session.IsConnected());
    EXPECT_FALSE(harness.HasLineContaining("tester@example.org")) << harness.Joined();

    if (!server->WritableRemoteDir().empty()) {
        EXPECT_EQ(session.ChangeDir(server->WritableRemoteDir()), kComplete) << harness.Joined();
    }
    EXPECT_EQ(session.MakeDir("made here"), kComplete) << harness.Joined();
    EXPECT_TRUE(fs::is_directory(disk / "made here"));
    EXPECT_EQ(session.ChangeDir("made here"), kComplete);
    EXPECT_EQ(session.ChangeDir(".."), kComplete);
    EXPECT_EQ(session.ChangeDir("no such dir"), kPermanent);

    EXPECT_TRUE(session.Rename("made here", "renamed"));
    EXPECT_TRUE(fs::is_directory(disk / "renamed"));
    EXPECT_FALSE(session.Rename("never existed", "other"));

    const ReplyClass chmodClass = session.SetPermissions("700", "renamed");
    if (GetParam().allowsChmod) {
        EXPECT_EQ(chmodClass, kComplete) << harness.Joined();
        EXPECT_EQ(fs::status(disk / "renamed").permissions() & fs::perms::all, fs::perms::owner_all);
    } else {
        EXPECT_EQ(chmodClass, kPermanent) << harness.Joined();
    }

    EXPECT_EQ(session.RemoveDir("renamed"), kComplete) << harness.Joined();
    EXPECT_FALSE(fs::exists(disk / "renamed"));
    EXPECT_EQ(session.DeleteFile("doomed.txt"), kComplete) << harness.Joined();
    EXPECT_FALSE(fs::exists(disk / "doomed.txt"));
    EXPECT_EQ(session.DeleteFile("doomed.txt"), kPermanent);

    EXPECT_EQ(session.Quit(), kComplete);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(session.Control().BusyCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServer, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<ServerKind>& info) {
                             return std::string(info.param.name);
                         });

TEST(RealServerLogin, AWrongPasswordIsRefused) {
    // Only the pyftpdlib server has a named user with a password.
    std::unique_ptr<RealFtpServer> server = kServers[0].start();
    if (!server->Started()) GTEST_SKIP() << server->Problem();
    SessionHarness harness;
    testsupport::Reconfigure(harness.session, [&](ConnectionSettings& config) {
        config.host = server->HostText();
        config.user = "tester";
        config.password = "wrong";
    });
    EXPECT_FALSE(harness.session.Logon().Connected());
    EXPECT_TRUE(harness.HasLine("Logon to remote host failed: " + server->HostText())) << harness.Joined();
    testsupport::Reconfigure(harness.session,
                             [&](ConnectionSettings& config) { config.password = "secret"; });
    EXPECT_TRUE(harness.session.Logon().Connected()) << harness.Joined();
}

}  // namespace
