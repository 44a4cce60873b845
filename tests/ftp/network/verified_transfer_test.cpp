// Files checked after their transfer against pyftpdlib's digests, with each
// digest command it can offer, and a server that reports wrong digests.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ftp/network/real_server_login.h"
#include "support/polling_waiter.h"
#include "support/real_ftp_server.h"
#include "support/session_harness.h"
#include "support/temp_dir.h"

namespace {

using testsupport::PyftpdlibOptions;
using testsupport::TempDir;
namespace fs = std::filesystem;

struct DigestCase {
    const char* command;    // what the server offers
    const char* algorithm;  // what the log names
    const char* sent;       // the command the client sends for it
};

std::string Contents(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 251) & 0xFF);
    return bytes;
}

class VerifiedTransferTest : public ::testing::Test {
protected:
    // Starts a server with these options and logs in (binary, passive).
    void Start(const PyftpdlibOptions& options, bool verify = true) {
        server = std::make_unique<testsupport::PyftpdlibServer>(options);
        if (!server->Started()) GTEST_SKIP() << "pyftpdlib not available: " << server->Problem();
        testsupport::LogInToRealServer(harness, waiter, *server, [verify](ConnectionSettings& settings) {
            settings.dataMode = DataMode::Passive;
            settings.transferMode = 'I';
            settings.verifyTransfers = verify;
        });
    }
    void TearDown() override {
        if (harness.session.IsConnected()) harness.session.Quit();
        harness.session.SetUi(nullptr);
    }
    void ServerFile(const std::string& name, const std::string& contents) {
        std::ofstream(server->WritableDir() / name, std::ios::binary) << contents;
    }

    std::unique_ptr<testsupport::PyftpdlibServer> server;
    testsupport::SessionHarness harness;
    PollingWaiter waiter;
    TempDir local;
};

TEST_F(VerifiedTransferTest, EachDigestCommandVerifiesDownloadsAndUploads) {
    const DigestCase cases[] = {
        {"HASH", "SHA-256", "HASH down.bin"}, {"XSHA256", "SHA-256", "XSHA256 down.bin"},
        {"XSHA1", "SHA-1", "XSHA1 down.bin"}, {"XMD5", "MD5", "XMD5 down.bin"},
        {"XCRC", "CRC32", "XCRC down.bin"},
    };
    for (const DigestCase& c : cases) {
        SCOPED_TRACE(c.command);
        PyftpdlibOptions options;
        options.hashCommands = {c.command};
        ASSERT_NO_FATAL_FAILURE(Start(options));
        if (IsSkipped()) return;
        const std::string contents = Contents(300 * 1024 + 11);
        ServerFile("down.bin", contents);
        const std::string target = (local / "down.bin").string();
        const TransferOutcome outcome = harness.session.Download("down.bin", &target);
        ASSERT_EQ(outcome.result, kComplete) << harness.Joined();
        EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Verified) << harness.Joined();
        EXPECT_TRUE(harness.HasLine(std::string("Verified down.bin: ") + c.algorithm + " matches."))
            << harness.Joined();
        EXPECT_TRUE(harness.HasLine(std::string("Quillmoor: ") + c.sent)) << harness.Joined();
        EXPECT_TRUE(TempDir::ReadFile(target) == contents);

        const std::string source = local.WriteFile("up.bin", Contents(70 * 1024)).string();
        const TransferOutcome sent = harness.session.Upload("up.bin", &source);
        ASSERT_EQ(sent.result, kComplete) << harness.Joined();
        EXPECT_EQ(sent.kind, TransferOutcome::Kind::Verified) << harness.Joined();
        EXPECT_TRUE(harness.HasLine(std::string("Verified up.bin: ") + c.algorithm + " matches."))
            << harness.Joined();
        harness.session.Quit();
        harness.lines.clear();
    }
}

// A digest for another algorithm than the one asked for is no pass: here the
// algorithm was switched behind the session's back.
TEST_F(VerifiedTransferTest, AReplyForAnotherAlgorithmIsNotAPass) {
    PyftpdlibOptions options;
    options.hashCommands = {"HASH"};
    ASSERT_NO_FATAL_FAILURE(Start(options));
    if (IsSkipped()) return;
    ASSERT_EQ(harness.session.Control().SendCommand("OPTS HASH MD5"), kComplete);
    ServerFile("a.bin", "alpha");
    const std::string target = (local / "a.bin").string();
    const TransferOutcome outcome = harness.session.Download("a.bin", &target);
    ASSERT_EQ(outcome.result, kComplete) << harness.Joined();
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Completed);
    EXPECT_TRUE(harness.HasLineContaining("Could not verify a.bin: the reply names another algorithm"))
        << harness.Joined();
}

TEST_F(VerifiedTransferTest, WrongDigestKeepsTheOldFileAndSetsTheDownloadAside) {
    PyftpdlibOptions options;
    options.hashCommands = {"HASH"};
    options.wrongHash = true;
    ASSERT_NO_FATAL_FAILURE(Start(options));
    if (IsSkipped()) return;
    const std::string contents = Contents(200 * 1024);
    ServerFile("data.bin", contents);
    const std::string target = local.WriteFile("data.bin", "the old local file").string();
    const TransferOutcome outcome = harness.session.Download("data.bin", &target);
    EXPECT_NE(outcome.result, kComplete);
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Mismatch);
    EXPECT_FALSE(outcome.Transient());
    EXPECT_EQ(TempDir::ReadFile(target), "the old local file");
    EXPECT_TRUE(TempDir::ReadFile(target + ".mismatch") == contents);
    EXPECT_FALSE(fs::exists(target + ".part"));
    EXPECT_TRUE(
        harness.HasLine("data.bin does not match the server's SHA-256; kept as " + target + ".mismatch."))
        << harness.Joined();
}

TEST_F(VerifiedTransferTest, WrongDigestFailsTheUpload) {
    PyftpdlibOptions options;
    options.hashCommands = {"XMD5"};
    options.wrongHash = true;
    ASSERT_NO_FATAL_FAILURE(Start(options));
    if (IsSkipped()) return;
    const std::string source = local.WriteFile("up.bin", Contents(5000)).string();
    const TransferOutcome outcome = harness.session.Upload("up.bin", &source);
    EXPECT_EQ(outcome.result, kPermanent);
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Mismatch);
    EXPECT_TRUE(
        harness.HasLine("up.bin on the server does not match the MD5 of " + source + "; the upload failed."))
        << harness.Joined();
}

// A server that limits each data connection (for slowed-server tests) still
// delivers the whole file, verified, and takes its time.
TEST_F(VerifiedTransferTest, SpeedLimitSlowsEachDataConnection) {
    PyftpdlibOptions options;
    options.hashCommands = {"HASH"};
    options.bytesPerSecond = 64 * 1024;
    ASSERT_NO_FATAL_FAILURE(Start(options));
    if (IsSkipped()) return;
    const std::string contents = Contents(160 * 1024);
    ServerFile("slow.bin", contents);
    const std::string target = (local / "slow.bin").string();
    const auto start = std::chrono::steady_clock::now();
    const TransferOutcome outcome = harness.session.Download("slow.bin", &target);
    ASSERT_EQ(outcome.result, kComplete) << harness.Joined();
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Verified);
    EXPECT_TRUE(TempDir::ReadFile(target) == contents);
}

// Nothing is asked when checks are off, and ASCII transfers are not checked.
TEST_F(VerifiedTransferTest, SwitchedOffOrAsciiTransfersAreNotChecked) {
    PyftpdlibOptions options;
    options.hashCommands = {"HASH"};
    options.wrongHash = true;  // a check made would fail
    ASSERT_NO_FATAL_FAILURE(Start(options, false));
    if (IsSkipped()) return;
    ServerFile("text.txt", "one\ntwo\n");
    const std::string target = (local / "text.txt").string();
    const TransferOutcome outcome = harness.session.Download("text.txt", &target);
    ASSERT_EQ(outcome.result, kComplete) << harness.Joined();
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Completed);
    EXPECT_FALSE(harness.HasLineContaining("Quillmoor: HASH")) << harness.Joined();

    testsupport::Reconfigure(harness.session, [](ConnectionSettings& settings) {
        settings.verifyTransfers = true;
        settings.transferMode = 'A';
    });
    const TransferOutcome ascii = harness.session.Download("text.txt", &target);
    ASSERT_EQ(ascii.result, kComplete) << harness.Joined();
    EXPECT_EQ(ascii.kind, TransferOutcome::Kind::Completed);
    EXPECT_TRUE(harness.HasLine("text.txt is not verified: ASCII transfers change the line ends."))
        << harness.Joined();
    EXPECT_FALSE(harness.HasLineContaining("Quillmoor: HASH")) << harness.Joined();
}

}  // namespace
