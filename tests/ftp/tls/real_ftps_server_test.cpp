// The TLS layer against real FTPS servers on 127.0.0.1: vsftpd 3.0.3 with
// require_ssl_reuse=YES and pyftpdlib's TLS handler, explicit and implicit.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "ftps_exchange.h"
#include "support/child_process.h"
#include "support/real_ftp_server.h"

namespace {

using namespace std::chrono_literals;
using tls::StreamStatus;
using tlstest::FtpsExchange;
using tlstest::TestCertificates;

struct ServerKind {
    const char* name;
    std::function<std::unique_ptr<testsupport::RealFtpServer>(const testsupport::ServerTls&)> start;
    bool implicit;
    tls::MaxVersion cap = tls::MaxVersion::Tls13;  // the client's highest version
};

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

class RealFtpsServerTest : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestCertificates::Get().maker.Ok());
        server = GetParam().start({TestCertificates::Get().good, GetParam().implicit});
        if (!server->Started()) GTEST_SKIP() << server->Problem();
    }

    // Connected, TLS on the control connection, logged in, PROT P, in the
    // writable directory.
    void LogIn(FtpsExchange& ftp) {
        ASSERT_TRUE(ftp.Connected());
        if (GetParam().implicit) {
            ASSERT_TRUE(ftp.StartTls()) << ftp.Problem();
        }
        ASSERT_EQ(ftp.ReadReply().substr(0, 3), "220");
        if (!GetParam().implicit) {
            ASSERT_EQ(ftp.Command("AUTH TLS").substr(0, 3), "234");
            ASSERT_TRUE(ftp.StartTls()) << ftp.Problem();
        }
        EXPECT_TRUE(ftp.ControlTls()->PeerVerification().Verified())
            << ftp.ControlTls()->PeerVerification().reason;
        std::string reply = ftp.Command("USER anonymous");
        if (reply.substr(0, 3) == "331") reply = ftp.Command("PASS guest@");
        ASSERT_EQ(reply.substr(0, 3), "230") << reply;
        RecordProperty("control", ftp.ControlTls()->ProtocolAndCipher());
        ASSERT_EQ(ftp.Command("PBSZ 0").substr(0, 3), "200");
        ASSERT_EQ(ftp.Command("PROT P").substr(0, 3), "200");
        ASSERT_EQ(ftp.Command("TYPE I").substr(0, 3), "200");
        if (!server->WritableRemoteDir().empty()) {
            ASSERT_EQ(ftp.Command("CWD " + server->WritableRemoteDir()).substr(0, 3), "250");
        }
    }

    std::unique_ptr<testsupport::RealFtpServer> server;
};

// Upload, listing and download, each on its own TLS data connection that
// resumes the control connection's session, byte for byte.
TEST_P(RealFtpsServerTest, UploadListAndDownloadOverResumedDataConnections) {
    tls::ClientSettings settings = tlstest::TrustingTestCa();
    settings.maxVersion = GetParam().cap;
    FtpsExchange ftp(settings, server->Port());
    LogIn(ftp);
    if (HasFatalFailure()) return;
    const std::string contents = RandomBytes(700000);

    FtpsExchange::DataOutcome stored = ftp.Transfer("STOR random.bin", contents);
    EXPECT_EQ(stored.end, StreamStatus::Closed);
    EXPECT_EQ(stored.finalReply.substr(0, 3), "226") << stored.finalReply;
    EXPECT_EQ(testsupport::TempDir::ReadFile(server->WritableDir() / "random.bin"), contents);

    for (int listing = 0; listing < 2; ++listing) {
        FtpsExchange::DataOutcome listed = ftp.Transfer("LIST");
        EXPECT_EQ(listed.end, StreamStatus::Closed);
        EXPECT_NE(listed.received.find("random.bin"), std::string::npos) << listed.received;
        EXPECT_EQ(listed.finalReply.substr(0, 3), "226") << listed.finalReply;
        EXPECT_TRUE(listed.resumed);
    }

    FtpsExchange::DataOutcome fetched = ftp.Transfer("RETR random.bin");
    EXPECT_EQ(fetched.end, StreamStatus::Closed);
    EXPECT_TRUE(fetched.received == contents)
        << fetched.received.size() << " bytes instead of " << contents.size();
    EXPECT_EQ(fetched.finalReply.substr(0, 3), "226") << fetched.finalReply;
    EXPECT_TRUE(stored.resumed && fetched.resumed);
    EXPECT_EQ(ftp.Command("QUIT").substr(0, 3), "221");
}

// vsftpd alone: it requires session reuse, and curl can talk to it (curl
// 7.88 starts a data connection's TLS before it sends the command, which
// pyftpdlib answers with a reset: it starts data TLS after the command).
class VsftpdFtpsTest : public RealFtpsServerTest {};

// Proves that vsftpd really checks reuse, so that the resumed transfers
// above are what let them through.
TEST_P(VsftpdFtpsTest, ADataConnectionThatDoesNotResumeIsRefused) {
    FtpsExchange ftp(tlstest::TrustingTestCa(), server->Port());
    LogIn(ftp);
    if (HasFatalFailure()) return;
    FtpsExchange::DataOutcome listed = ftp.Transfer("LIST", {}, false);
    EXPECT_FALSE(listed.resumed);
    // vsftpd ends the refused data connection with a proper TLS close: only
    // the control reply tells the refusal from an empty listing.
    EXPECT_EQ(listed.received, "");
    EXPECT_EQ(listed.finalReply.substr(0, 3), "522") << listed.finalReply;
}

// curl, an independent client, agrees that the server speaks FTPS as set up.
TEST_P(VsftpdFtpsTest, CurlListsTheServerOverTls) {
    const std::string port = std::to_string(server->Port());
    const std::string url =
        GetParam().implicit ? "ftps://127.0.0.1:" + port + "/" : "ftp://127.0.0.1:" + port + "/";
    testsupport::RunResult run =
        testsupport::RunProgram({"curl", "-sS", "--max-time", "20", "--ssl-reqd", "--cacert",
                                 TestCertificates::Get().maker.CaFile().string(), url},
                                30s);
    if (run.exitCode == 127) GTEST_SKIP() << "curl is not installed";
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

// With TLS required, vsftpd refuses a log-in over a plain control connection.
TEST(VsftpdRequiringTls, RefusesAPlainLogIn) {
    testsupport::VsftpdServer server({TestCertificates::Get().good, false, true});
    if (!server.Started()) GTEST_SKIP() << server.Problem();
    FtpsExchange ftp(tlstest::TrustingTestCa(), server.Port());
    ASSERT_EQ(ftp.ReadReply().substr(0, 3), "220");
    const std::string reply = ftp.Command("USER anonymous");
    EXPECT_EQ(reply.substr(0, 3), "530") << reply;
}

std::unique_ptr<testsupport::RealFtpServer> StartVsftpd(const testsupport::ServerTls& tls) {
    return std::make_unique<testsupport::VsftpdServer>(tls);
}

std::unique_ptr<testsupport::RealFtpServer> StartPyftpdlib(const testsupport::ServerTls& tls) {
    return std::make_unique<testsupport::PyftpdlibServer>(tls);
}

std::string KindName(const ::testing::TestParamInfo<ServerKind>& info) { return info.param.name; }

const ServerKind kVsftpdKinds[] = {{"VsftpdExplicit", StartVsftpd, false},
                                   {"VsftpdImplicit", StartVsftpd, true},
                                   {"VsftpdExplicitTls12", StartVsftpd, false, tls::MaxVersion::Tls12}};
const ServerKind kPyftpdlibKinds[] = {{"PyftpdlibExplicit", StartPyftpdlib, false},
                                      {"PyftpdlibImplicit", StartPyftpdlib, true}};

INSTANTIATE_TEST_SUITE_P(Vsftpd, RealFtpsServerTest, ::testing::ValuesIn(kVsftpdKinds), KindName);
INSTANTIATE_TEST_SUITE_P(Pyftpdlib, RealFtpsServerTest, ::testing::ValuesIn(kPyftpdlibKinds), KindName);
INSTANTIATE_TEST_SUITE_P(Vsftpd, VsftpdFtpsTest, ::testing::ValuesIn(kVsftpdKinds), KindName);

}  // namespace
