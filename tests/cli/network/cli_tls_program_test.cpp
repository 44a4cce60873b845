// quillmoor-cli over FTP with TLS against vsftpd (require_ssl_reuse=YES,
// explicit and implicit) and pyftpdlib's TLS handler: every transfer kind is
// byte-identical, and the log says what was encrypted.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "cli_in_directory.h"
#include "support/certificate_maker.h"
#include "support/child_process.h"
#include "support/real_ftp_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::RealFtpServer;
using testsupport::RunResult;
using testsupport::ServerTls;
using testsupport::TempDir;

struct TlsServerKind {
    const char* name;
    std::unique_ptr<RealFtpServer> (*start)(const ServerTls& tls);
    bool implicit;
    const char* tlsFlag;
};

void PrintTo(const TlsServerKind& kind, std::ostream* out) { *out << kind.name; }

std::unique_ptr<RealFtpServer> StartVsftpd(const ServerTls& tls) {
    return std::make_unique<testsupport::VsftpdServer>(tls);
}

std::unique_ptr<RealFtpServer> StartPyftpdlib(const ServerTls& tls) {
    return std::make_unique<testsupport::PyftpdlibServer>(tls);
}

const TlsServerKind kServers[] = {
    {"vsftpd_explicit", StartVsftpd, false, "explicit"},
    {"vsftpd_implicit", StartVsftpd, true, "implicit"},
    {"vsftpd_auto", StartVsftpd, false, "auto"},
    {"pyftpdlib_explicit", StartPyftpdlib, false, "explicit"},
    {"pyftpdlib_implicit", StartPyftpdlib, true, "implicit"},
};

class CliTls : public testing::TestWithParam<TlsServerKind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(certificates.Ok()) << certificates.Problem();
        ServerTls tls{certificates.Make({"server"}), GetParam().implicit, !GetParam().implicit};
        server = GetParam().start(tls);
        if (!server->Started()) GTEST_SKIP() << server->Problem();
        base = server->WritableRemoteDir().empty() ? "." : server->WritableRemoteDir();
    }

    RunResult Cli(std::vector<std::string> commands) {
        std::vector<std::string> arguments = {
            "--tls",   GetParam().tlsFlag, "--ca-file",        certificates.CaFile().string(),
            "--email", "cli@example.org",  server->HostText(), "cd " + base};
        arguments.insert(arguments.end(), commands.begin(), commands.end());
        return clitest::RunCliIn(local, arguments);
    }

    TempDir certificateDir;
    testsupport::CertificateMaker certificates{certificateDir.Path()};
    std::unique_ptr<RealFtpServer> server;
    std::string base;
    TempDir local;
};

TEST_P(CliTls, EveryTransferIsByteIdenticalOverTls) {
    const std::string binary = clitest::PatternBytes(400000);
    local.WriteFile("data.bin", binary);
    local.WriteFile("tree/a.txt", "alpha\nbeta\n");
    local.WriteFile("tree/sub/b.bin", clitest::PatternBytes(7000));

    RunResult run = Cli({"put data.bin", "putdir tree", "ls"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "data.bin") == binary);
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "tree" / "sub" / "b.bin") ==
                clitest::PatternBytes(7000));
    EXPECT_NE(run.out.find("data.bin"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Control connection encrypted: TLS 1."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Data connections are encrypted."), std::string::npos) << run.err;
    // Nothing went in clear before the handshake: implicit sends no AUTH at all.
    EXPECT_EQ(run.err.find("Quillmoor: AUTH TLS") == std::string::npos, GetParam().implicit) << run.err;

    // A download that broke off half-way is continued from its partial file.
    local.WriteFile("data.bin.part", binary.substr(0, binary.size() / 3));
    run = Cli({"get -c data.bin", "getdir tree again", "get data.bin copy.bin"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(TempDir::ReadFile(local / "data.bin") == binary);
    EXPECT_TRUE(TempDir::ReadFile(local / "copy.bin") == binary);
    EXPECT_EQ(TempDir::ReadFile(local / "again" / "a.txt"), "alpha\nbeta\n");
    EXPECT_TRUE(TempDir::ReadFile(local / "again" / "sub" / "b.bin") == clitest::PatternBytes(7000));
    EXPECT_NE(run.err.find("REST " + std::to_string(binary.size() / 3)), std::string::npos) << run.err;
}

// A certificate that cannot be verified ends the run with its fingerprint
// printed; --trust with that fingerprint lets the next run through.
TEST(CliTlsTrust, AnUnverifiableCertificatePrintsItsFingerprintForTrust) {
    TempDir certificateDir;
    testsupport::CertificateMaker certificates{certificateDir.Path()};
    ASSERT_TRUE(certificates.Ok()) << certificates.Problem();
    const ServerTls tls{
        certificates.Make({.fileStem = "other", .commonName = "ftp.other.test", .hosts = {"ftp.other.test"}}),
        false, true};
    testsupport::VsftpdServer server(tls);
    if (!server.Started()) GTEST_SKIP() << server.Problem();
    TempDir local;
    const auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"--tls", "explicit", "--email", "cli@example.org"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.insert(arguments.end(), {server.HostText(), "ls"});
        return clitest::RunCliIn(local, arguments);
    };
    RunResult refused = run({"--ca-file", certificates.CaFile().string()});
    EXPECT_EQ(refused.exitCode, 1);
    const std::string marker = "run again with --trust ";
    const std::size_t at = refused.err.find(marker);
    ASSERT_NE(at, std::string::npos) << refused.err;
    const std::string fingerprint =
        refused.err.substr(at + marker.size(), refused.err.find('\n', at) - at - marker.size());
    EXPECT_EQ(fingerprint.rfind("SHA256:", 0), 0u) << fingerprint;
    EXPECT_NE(refused.err.find("issued for another host name"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("Quillmoor: USER"), std::string::npos) << refused.err;

    RunResult trusted = run({"--trust", fingerprint});
    EXPECT_EQ(trusted.exitCode, 0) << trusted.err;
    EXPECT_NE(trusted.err.find("accepted for this connection"), std::string::npos) << trusted.err;
}

INSTANTIATE_TEST_SUITE_P(Servers, CliTls, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<TlsServerKind>& info) { return info.param.name; });

}  // namespace
