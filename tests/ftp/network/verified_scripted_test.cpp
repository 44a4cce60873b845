// The exchanges of a check against the scripted server: OPTS HASH only when
// another algorithm is in use, and replies that cannot count as a match.
#include <gtest/gtest.h>

#include <filesystem>

#include "ftp/file_digest.h"
#include "scripted_transfer_session.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

const char* const kHelloSha256 = "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824";

class VerifiedScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(s.LogIn("211-Features:\r\n HASH SHA-1*;SHA-256;MD5\r\n211 End\r\n"));
    }
    void ScriptDownload() {
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 5\r\n").Expect("PORT", "200 ok\r\n");
        s.server.Expect("RETR", [](testsupport::ScriptedConnection& connection, const std::string&) {
            connection.Send("150 Opening.\r\n");
            testsupport::DataLink link = connection.ConnectToLastPort();
            link.SendAll("hello");
            link.Close();
            connection.Send("226 Done.\r\n");
        });
    }

    testsupport::ScriptedTransferSession s;
    TempDir dir;
    std::string target = (dir / "hello.txt").string();
};

TEST_F(VerifiedScriptedTest, Sha256IsSelectedOnceWhenFeatMarksAnother) {
    ScriptDownload();
    s.server.Expect("OPTS", "200 SHA-256\r\n");
    s.server.Expect("HASH", std::string("213 SHA-256 0-5 ") + kHelloSha256 + " hello.txt\r\n");
    const TransferOutcome outcome = s.session.Download("hello.txt", &target);
    ASSERT_EQ(outcome.result, kComplete) << s.harness.Joined();
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Verified) << s.harness.Joined();

    ScriptDownload();
    s.server.Expect("HASH", std::string("213 SHA-256 0-4 ") + kHelloSha256 + " hello.txt\r\n");
    const TransferOutcome again = s.session.Download("hello.txt", &target);
    ASSERT_EQ(again.result, kComplete) << s.harness.Joined();
    EXPECT_EQ(again.kind, TransferOutcome::Kind::Verified) << s.harness.Joined();

    const std::vector<std::string> commands = s.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "OPTS HASH SHA-256"), 1);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "HASH hello.txt"), 2);
    EXPECT_TRUE(s.server.Mismatches().empty());
}

// The server hashes the whole file before it answers: for a large file the
// answer may come later than the time limit allows for other replies.
TEST_F(VerifiedScriptedTest, LargeFilesGiveTheServerLongerToAnswer) {
    testsupport::Reconfigure(s.session, [](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    const std::filesystem::path source = dir / "large.bin";
    dir.WriteFile("large.bin", "");
    std::filesystem::resize_file(source, 60 << 20);
    int error = 0;
    const std::string digest = FileDigest(source.string(), HashAlgorithm::Sha256, error);
    auto received = std::make_shared<testsupport::CapturedBytes>();
    s.ScriptOutgoing(received);
    s.server.Expect("OPTS", "200 SHA-256\r\n");
    s.server.Expect("HASH", [digest](testsupport::ScriptedConnection& connection, const std::string&) {
        connection.Pause(std::chrono::milliseconds(1600));
        connection.Send("213 SHA-256 0-" + std::to_string(60 << 20) + " " + digest + " large.bin\r\n");
    });
    const std::string local = source.string();
    const TransferOutcome outcome = s.session.Upload("large.bin", &local);
    ASSERT_EQ(outcome.result, kComplete) << s.harness.Joined();
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Verified) << s.harness.Joined();
    EXPECT_EQ(s.session.Control().TimeoutSeconds(), 1);
}

// A reply that is not a well-formed digest of the whole file leaves the
// download in place but not verified; a refused OPTS HASH likewise.
TEST_F(VerifiedScriptedTest, UnreadableRepliesAreNeverAPass) {
    struct Row {
        const char* optsReply;
        std::string hashReply;  // "" when HASH is not reached
        const char* logged;
    };
    const Row rows[] = {
        {"501 No.\r\n", "", "Could not verify hello.txt: the server did not select SHA-256."},
        {"200 SHA-256\r\n", "213 SHA-256 0-5 " + std::string(kHelloSha256).substr(2) + " hello.txt\r\n",
         "Could not verify hello.txt: the digest has 62 digits instead of 64."},
        {nullptr, "213 SHA-256 0-2 " + std::string(kHelloSha256) + " hello.txt\r\n",
         "Could not verify hello.txt: the reply's range is not the whole file."},
        {nullptr, "213 SHA-256 0-5 " + std::string(3000, 'a') + "\r\n",
         "Could not verify hello.txt: the digest has 3000 digits instead of 64."},
        {nullptr, "550 Cannot hash.\r\n", "Could not verify hello.txt: the server answered 550 to HASH."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged);
        std::filesystem::remove(target);
        ScriptDownload();
        if (row.optsReply != nullptr) s.server.Expect("OPTS", row.optsReply);
        if (!row.hashReply.empty()) s.server.Expect("HASH", row.hashReply);
        const TransferOutcome outcome = s.session.Download("hello.txt", &target);
        ASSERT_EQ(outcome.result, kComplete) << s.harness.Joined();
        EXPECT_EQ(outcome.kind, TransferOutcome::Kind::Completed);
        EXPECT_EQ(TempDir::ReadFile(target), "hello");
        EXPECT_TRUE(s.harness.HasLine(row.logged)) << s.harness.Joined();
    }
    EXPECT_TRUE(s.server.Mismatches().empty());
    EXPECT_EQ(s.server.PendingSteps(), 0u);
}

}  // namespace
