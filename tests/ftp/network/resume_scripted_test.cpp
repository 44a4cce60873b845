// Resume and modification times against the scripted server: the refusals
// that real servers do not make (REST, MDTM) and what the client does then.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "scripted_transfer_session.h"
#include "support/session_settings.h"
#include "support/temp_dir.h"

namespace {

using testsupport::CapturedBytes;
using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

class ResumeScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(s.LogIn());
        s.session.SetResume(true);
    }

    testsupport::ScriptedTransferSession s;
    TempDir dir;
};

TEST_F(ResumeScriptedTest, DownloadContinuesAfterRestOrStartsAgainWhenRefused) {
    struct Case {
        const char* restReply;  // nullptr: REST is accepted
        const char* sent;
        const char* result;
    };
    const Case cases[] = {
        {"350 Restarting at 4.\r\n", "5678", "12345678"},
        {"502 REST not implemented.\r\n", "abcdefgh", "abcdefgh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.restReply);
        const std::string local = (dir / "file.bin").string();
        dir.WriteFile("file.bin.part", "1234");
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 8\r\n").Expect("PORT", "200 ok\r\n");
        s.server.Expect("REST", c.restReply).Expect("RETR", testsupport::SendDownload(c.sent));
        EXPECT_EQ(s.session.DownloadFile("file.bin", &local), kComplete) << s.harness.Joined();
        EXPECT_EQ(TempDir::ReadFile(local), c.result);
        EXPECT_FALSE(std::filesystem::exists(local + ".part"));
        EXPECT_EQ(s.Commands().back(), "RETR file.bin");
        EXPECT_EQ(s.Commands()[s.Commands().size() - 2], "REST 4");
        std::filesystem::remove(local);
    }
    EXPECT_TRUE(s.harness.HasLine("The server refused REST; downloading the whole file."))
        << s.harness.Joined();
    EXPECT_TRUE(s.server.Mismatches().empty());
}

// The partial file's size plus what arrives is what the server announced:
// a short resumed download is still found out, and so is a server that sends
// the whole file again after accepting REST (the next try then starts afresh).
TEST_F(ResumeScriptedTest, ResumedDownloadMustAddUpToTheRemoteSize) {
    struct Case {
        const char* sent;
        const char* logLine;
        const char* kept;
    };
    const Case cases[] = {
        {"56", "Received 6 of the 10 bytes announced: the download is incomplete.", "123456"},
        {"0123456789", "Received 14 bytes, more than the 10 announced.", "12340123456789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        const std::string local = (dir / "file.bin").string();
        dir.WriteFile("file.bin.part", "1234");
        s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 10\r\n").Expect("PORT", "200 ok\r\n");
        s.server.Expect("REST", "350 ok\r\n").Expect("RETR", testsupport::SendDownload(c.sent));
        EXPECT_EQ(s.session.DownloadFile("file.bin", &local), kPermanent);
        EXPECT_TRUE(s.harness.HasLine(c.logLine)) << s.harness.Joined();
        EXPECT_FALSE(std::filesystem::exists(local));
        EXPECT_EQ(TempDir::ReadFile(local + ".part"), c.kept) << "kept for the next try";
    }
    // Longer than the remote file: downloaded whole, no REST.
    const std::string local = (dir / "file.bin").string();
    s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 10\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", testsupport::SendDownload("0123456789"));
    EXPECT_EQ(s.session.DownloadFile("file.bin", &local), kComplete) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "0123456789");
    EXPECT_TRUE(s.server.Mismatches().empty());
}

TEST_F(ResumeScriptedTest, UploadAppendsWhenRestIsRefused) {
    const std::string local = dir.WriteFile("up.bin", "0123456789").string();
    auto received = std::make_shared<CapturedBytes>();
    s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 4\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("REST", "502 No.\r\n");
    s.server.Expect("APPE", [received](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Ok to send data.\r\n");
        DataLink link = connection.ConnectToLastPort();
        received->Set(link.ReadAll(std::chrono::seconds(10)));
        connection.Send("226 Transfer complete.\r\n");
    });
    EXPECT_EQ(s.session.UploadFile("up.bin", &local), kComplete) << s.harness.Joined();
    EXPECT_EQ(received->Get(), "456789");
    EXPECT_EQ(s.Commands().back(), "APPE up.bin");
    EXPECT_TRUE(s.harness.HasLine("The server refused REST; appending the rest with APPE."));
    EXPECT_TRUE(s.server.Mismatches().empty());
}

// Nothing goes out when the remote file is complete already or cannot be the
// beginning of the local one.
TEST_F(ResumeScriptedTest, UploadSendsNothingWhenTheRemoteFileIsNotShorter) {
    const std::string local = dir.WriteFile("up.bin", "0123456789").string();
    s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 10\r\n");
    EXPECT_EQ(s.session.UploadFile("up.bin", &local), kComplete);
    s.server.Expect("TYPE", "200 ok\r\n").Expect("SIZE", "213 11\r\n");
    EXPECT_EQ(s.session.UploadFile("up.bin", &local), kPermanent);
    EXPECT_EQ(s.Commands(), (std::vector<std::string>{"TYPE I", "SIZE up.bin", "TYPE I", "SIZE up.bin"}));
    EXPECT_TRUE(s.harness.HasLine("up.bin is complete on the server already (10 bytes); nothing sent."));
    EXPECT_TRUE(s.harness.HasLineContaining("The remote file up.bin (11 bytes) is larger than"));
}

TEST_F(ResumeScriptedTest, ModificationTimeComesFromMdtmAndABadOneIsIgnored) {
    s.session.SetResume(false);
    testsupport::Reconfigure(s.session,
                             [](ConnectionSettings& settings) { settings.keepModificationTimes = true; });
    struct Case {
        const char* mdtmReply;
        time_t mtime;  // 0: the local time stays
    };
    const Case cases[] = {
        {"213 20200102030405\r\n", 1577934245},
        {"213 20201302030405\r\n", 0},
        {"213 soon\r\n", 0},
        {"550 No time for you.\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mdtmReply);
        const std::string local = (dir / "t.bin").string();
        s.server.Expect("TYPE", "200 ok\r\n")
            .Expect("PORT", "200 ok\r\n")
            .Expect("RETR", testsupport::SendDownload("data"));
        s.server.Expect("MDTM", c.mdtmReply);
        EXPECT_EQ(s.session.DownloadFile("t.bin", &local), kComplete) << s.harness.Joined();
        EXPECT_EQ(s.Commands().back(), "MDTM t.bin");
        EXPECT_EQ(TempDir::ReadFile(local), "data");
        struct stat info {};
        ASSERT_EQ(stat(local.c_str(), &info), 0);
        if (c.mtime != 0) {
            EXPECT_EQ(info.st_mtime, c.mtime);
        } else {
            EXPECT_GT(info.st_mtime, 1700000000);
        }
        std::filesystem::remove(local);
    }
    EXPECT_TRUE(s.harness.HasLine("The reply to MDTM is not a time; the file keeps its local time."));
    // A server that does not know MDTM is not asked again on this connection.
    s.server.Expect("TYPE", "200 ok\r\n")
        .Expect("PORT", "200 ok\r\n")
        .Expect("RETR", testsupport::SendDownload("x"));
    s.server.Expect("MDTM", "502 Unknown command.\r\n");
    s.server.Expect("TYPE", "200 ok\r\n")
        .Expect("PORT", "200 ok\r\n")
        .Expect("RETR", testsupport::SendDownload("y"));
    const std::string local = (dir / "u.bin").string();
    EXPECT_EQ(s.session.DownloadFile("u.bin", &local), kComplete);
    EXPECT_EQ(s.session.DownloadFile("u.bin", &local), kComplete);
    EXPECT_EQ(s.Commands().back(), "RETR u.bin");
    EXPECT_TRUE(s.server.Mismatches().empty());
}

}  // namespace
