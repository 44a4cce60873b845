// Exact exchanges of single transfers and listings against the scripted server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "scripted_transfer_session.h"
#include "support/session_settings.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CapturedBytes;
using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.LogIn()); }

    ReplyClass Download(const std::string& name, const std::string& local) {
        return s.session.DownloadFile(name, &local);
    }
    ReplyClass Upload(const std::string& name, const std::string& local) {
        return s.session.UploadFile(name, &local);
    }
    std::size_t EntriesIn(const std::filesystem::path& path) {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path), {}));
    }
    std::int64_t Expected() {
        TransferStatusLock lock(s.harness.status);
        return s.harness.status.expectedBytes;
    }
    bool TotalKnown() {
        TransferStatusLock lock(s.harness.status);
        return s.harness.status.totalKnown;
    }
    std::int64_t Done() {
        TransferStatusLock lock(s.harness.status);
        return s.harness.status.doneBytes;
    }

    testsupport::ScriptedTransferSession s;
    TempDir dir;
};

TEST_F(TransferTest, PortCarriesTheControlAddressAndTheListenerPort) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'I'; });
    s.ScriptIncoming("RETR", "150 Opening BINARY mode data connection for a.bin (5 bytes).\r\n", "hello");
    const std::string local = (dir / "a.bin").string();
    EXPECT_EQ(Download("a.bin", local), kComplete);

    const auto commands = s.Commands();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0], "TYPE I");
    EXPECT_EQ(commands[1], "SIZE a.bin");
    EXPECT_EQ(commands[3], "RETR a.bin");
    unsigned a = 0, b = 0, c = 0, d = 0, high = 0, low = 0;
    ASSERT_EQ(std::sscanf(commands[2].c_str(), "PORT %u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &high, &low), 6);
    EXPECT_EQ(std::vector<unsigned>({a, b, c, d}), std::vector<unsigned>({127, 0, 0, 1}));
    EXPECT_TRUE(s.harness.HasLineContaining("listener 127.0.0.1 port " + std::to_string(high * 256 + low)))
        << s.harness.Joined();

    EXPECT_EQ(TempDir::ReadFile(local), "hello");
    EXPECT_EQ(Expected(), 5);
    EXPECT_TRUE(s.harness.HasLineContaining("Received 5 characters in ")) << s.harness.Joined();
    EXPECT_EQ(s.waiter.Beeps(EngineUi::BeepKind::Default), 1);
    EXPECT_EQ(s.session.Control().BusyCount(), 0);
    EXPECT_TRUE(s.server.Mismatches().empty());
}

TEST_F(TransferTest, LocalByteSizeSendsTypeL8BothWays) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'L'; });
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "data");
    auto received = std::make_shared<CapturedBytes>();
    s.ScriptOutgoing(received);
    EXPECT_EQ(Download("f", (dir / "f").string()), kComplete);
    EXPECT_EQ(Upload("f", (dir / "f").string()), kComplete);
    const auto commands = s.Commands();
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(commands[0], "TYPE L 8");
    EXPECT_EQ(commands[4], "TYPE L 8");
    EXPECT_EQ(commands[6], "STOR f");
    EXPECT_EQ(received->Get(), "data");
}

TEST_F(TransferTest, ZeroLengthDownloadReplacesTheLocalFile) {
    const std::string local = dir.WriteFile("empty.txt", "older and longer contents").string();
    s.ScriptIncoming("RETR", "150 File status okay; about to open data connection.\r\n", "");
    EXPECT_EQ(Download("empty.txt", local), kComplete);
    EXPECT_TRUE(std::filesystem::exists(local));
    EXPECT_EQ(std::filesystem::file_size(local), 0u);
    EXPECT_EQ(Expected(), 0) << "a 150 reply without a size leaves the size unknown";
    EXPECT_FALSE(TotalKnown()) << "SIZE was answered 502 as well";
    EXPECT_TRUE(s.harness.HasLine("Received 0 characters in 0 seconds (0 bytes/sec)")) << s.harness.Joined();
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST_F(TransferTest, FailedDownloadKeepsThePreviousFile) {
    const std::string local = dir.WriteFile("keep.txt", "previous").string();
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "partial", "426 Connection closed; transfer aborted.\r\n");
    EXPECT_EQ(Download("keep.txt", local), kTransient);
    s.server.Expect("TYPE", "200 ok\r\n")
        .Expect("PORT", "200 ok\r\n")
        .Expect("RETR", "550 No such file.\r\n");
    EXPECT_EQ(Download("keep.txt", local), kNoReply);
    EXPECT_EQ(s.waiter.Beeps(EngineUi::BeepKind::Warning), 1) << "a refused transfer command beeps";

    // An ASCII download that breaks off leaves nothing: its bytes were
    // converted and cannot be continued.
    testsupport::Reconfigure(s.session, [](ConnectionSettings& settings) { settings.transferMode = 'A'; });
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "text\r\n", "426 Connection closed; transfer aborted.\r\n");
    EXPECT_EQ(Download("keep.txt", local), kTransient);

    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_EQ(TempDir::ReadFile(local + ".part"), "partial")
        << "what the binary download received stays; the refused one left it alone";
    EXPECT_EQ(EntriesIn(dir.Path()), 2u) << "no temporary file is left behind";
}

TEST_F(TransferTest, DataConnectionFromAnotherHostIsRefused) {
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    auto intruderSaw = std::make_shared<CapturedBytes>();
    s.server.Expect("RETR", [intruderSaw](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        DataLink intruder = connection.ConnectToLastPort("127.0.0.2");
        intruder.SendAll("forged");
        DataLink server = connection.ConnectToLastPort();
        server.SendAll("genuine");
        server.Close();
        intruderSaw->Set(intruder.ReadAll(3s));
        connection.Send("226 Done.\r\n");
    });
    const std::string local = (dir / "x").string();
    EXPECT_EQ(Download("x", local), kComplete);
    EXPECT_EQ(TempDir::ReadFile(local), "genuine");
    EXPECT_TRUE(s.harness.HasLineContaining("refused data connection from 127.0.0.2 port "))
        << s.harness.Joined();
}

TEST_F(TransferTest, DataConnectionThatNeverComesEndsAtTheTimeLimit) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening.\r\n");
        connection.Pause(3s);
    });
    const auto start = std::chrono::steady_clock::now();
    const std::string local = (dir / "x").string();
    const TransferOutcome outcome = s.session.Download("x", &local);
    EXPECT_EQ(outcome.result, kNoReply);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    EXPECT_TRUE(s.harness.HasLine("Timed out after 1 second waiting for the server.")) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLine("accept: Connection timed out, try connecting again."))
        << s.harness.Joined();
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::TimedOut);
    EXPECT_TRUE(outcome.Transient());
}

TEST_F(TransferTest, ServerThatStallsMidTransferEndsAtTheTimeLimit) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.timeoutSeconds = 1; });
    const std::string local = dir.WriteFile("stalled.bin", "previous").string();
    s.server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    s.server.Expect("RETR", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Opening (1000000 bytes).\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll(std::string(1000, 's'));
        connection.Pause(3s);
    });
    const TransferOutcome outcome = s.session.Download("stalled.bin", &local);
    EXPECT_EQ(outcome.result, kAborted);
    EXPECT_TRUE(s.harness.HasLine("Timed out after 1 second waiting for the server.")) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLine("Kept the 1000 bytes received in " + local + ".part."))
        << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_EQ(TempDir::ReadFile(local + ".part"), std::string(1000, 's'));
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::TimedOut);
}

TEST_F(TransferTest, UploadSendsTheFileAndCountsIt) {
    std::string contents(2000, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>(i * 7);
    const std::string local = dir.WriteFile("up.bin", contents).string();
    auto received = std::make_shared<CapturedBytes>();
    s.ScriptOutgoing(received);
    EXPECT_EQ(Upload("up.bin", local), kComplete);
    EXPECT_EQ(received->Get(), contents);
    EXPECT_EQ(Expected(), 2000);
    EXPECT_TRUE(TotalKnown());
    EXPECT_EQ(Done(), 2000) << "the server has acknowledged every byte";
    EXPECT_TRUE(s.harness.HasLine("Transferring 2000 bytes")) << s.harness.Joined();
    EXPECT_TRUE(s.harness.HasLineContaining("Transmited 2000 characters in ")) << s.harness.Joined();
}

TEST_F(TransferTest, UnreadableUploadReachesNoServerAndFails) {
    // Sending it anyway would replace the remote file with an empty one.
    const std::string missing = (dir / "missing").string();
    EXPECT_EQ(Upload("missing", missing), kPermanent);
    EXPECT_TRUE(s.harness.HasLine("Could not open " + missing + ": No such file or directory"))
        << s.harness.Joined();
    const std::string directory = dir.Path().string();
    const TransferOutcome outcome = s.session.Upload("a directory", &directory);
    EXPECT_EQ(outcome.result, kPermanent);
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::LocalError);
    EXPECT_FALSE(outcome.Transient());
    EXPECT_TRUE(s.Commands().empty());
    EXPECT_FALSE(s.harness.status.stopWalk) << "one unreadable file does not stop a walk";
}

TEST_F(TransferTest, DownloadThatCannotBeStoredLocallyFails) {
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "data");
    const std::string nowhere = (dir / "no-such-dir" / "file").string();
    const TransferOutcome outcome = s.session.Download("file", &nowhere);
    EXPECT_EQ(outcome.result, kPermanent) << "the server's 226 does not make it a success";
    EXPECT_TRUE(s.harness.HasLine("Could not create " + nowhere + ": No such file or directory"))
        << s.harness.Joined();
    EXPECT_EQ(outcome.kind, TransferOutcome::Kind::LocalError);
    EXPECT_EQ(outcome.reason, "Could not create " + nowhere + ": No such file or directory");
}

TEST_F(TransferTest, AsciiTransfersUseNetworkLineEnds) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'A'; });
    s.ScriptIncoming("RETR", "150 Opening ASCII mode.\r\n", "one\r\ntwo\r\n");
    auto received = std::make_shared<CapturedBytes>();
    s.ScriptOutgoing(received);
    const std::string local = (dir / "text").string();
    EXPECT_EQ(Download("text", local), kComplete);
    EXPECT_EQ(TempDir::ReadFile(local), "one\ntwo\n");
    EXPECT_EQ(Upload("text", local), kComplete);
    EXPECT_EQ(received->Get(), "one\r\ntwo\r\n");
    EXPECT_EQ(s.Commands()[0], "TYPE A");
}

TEST_F(TransferTest, AutoDetectAsksTheExtensionTable) {
    dir.WriteFile("Extension.ftp", "A TXT\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'F'; });
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "t");
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "b");
    Download("notes.txt", (dir / "notes.txt").string());
    Download("image.png", (dir / "image.png").string());
    std::filesystem::current_path(previous);
    const auto commands = s.Commands();
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(commands[0], "TYPE A");
    EXPECT_EQ(commands[4], "TYPE I");
}

TEST_F(TransferTest, TransferModeQuestionCanStopTheTransfer) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) { config.transferMode = 'P'; });
    s.waiter.SetTransferModeAnswer(false);
    EXPECT_EQ(Download("a", (dir / "a").string()), kNotSent);
    EXPECT_EQ(Upload("a", (dir / "a").string()), kNotSent);
    EXPECT_TRUE(s.Commands().empty());

    s.waiter.SetTransferModeAnswer(true);
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "p");
    EXPECT_EQ(Download("a", (dir / "a").string()), kComplete);
    EXPECT_EQ(s.Commands().at(0), "TYPE I") << "a transfer that goes on is sent in binary";
    EXPECT_EQ(s.waiter.TransferModeQuestions(), 3);
}

TEST_F(TransferTest, DownloadWithoutLocalNameRunsIntoTheDownloadDirectory) {
    testsupport::Reconfigure(
        s.session, [&](ConnectionSettings& config) { config.downloadDir = (dir / "dl-").string(); });
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "joined");
    EXPECT_EQ(s.session.DownloadFile("a.bin", nullptr), kComplete);
    EXPECT_EQ(TempDir::ReadFile(dir / "dl-a.bin"), "joined");
    // Control characters reach the local name as %XX ("%" stays), the server its own name.
    s.ScriptIncoming("RETR", "150 Opening.\r\n", "escaped");
    EXPECT_EQ(s.session.DownloadFile("e\x1B[2J\tx%41\x7F", nullptr), kComplete);
    const std::string local = (dir / "dl-e%1B[2J%09x%41%7F").string();
    EXPECT_EQ(TempDir::ReadFile(local), "escaped");
    EXPECT_EQ(s.Commands().back(), "RETR e\x1B[2J\tx%41\x7F");
    EXPECT_TRUE(s.harness.HasLine("The server's name has control characters; saved as " + local +
                                  " (written as %XX)."))
        << s.harness.Joined();
}

TEST_F(TransferTest, ListingsWithNineAndEightColumns) {
    s.ScriptIncoming("LIST", "150 Here comes the directory listing.\r\n",
                     "total 8\r\n"
                     "drwxr-xr-x   2 root     other        512 Jan  5 12:30 pub\r\n"
                     "-rw-r--r--   1 ftp      ftp         42 Mar  1  2020 read me.txt\r\n"
                     "lrwxrwxrwx   1 ftp      ftp          3 Mar  1  2020 link -> pub\r\n");
    RemoteEntry entry;
    ASSERT_EQ(s.session.FetchListing(entry), ListingRead::Entry) << s.harness.Joined();
    std::vector<RemoteEntry> entries{entry};
    while (s.session.NextEntry(entry) == ListingRead::Entry) entries.push_back(entry);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "pub");
    EXPECT_EQ(entries[0].group, "other");
    EXPECT_EQ(entries[0].modified.shown, "Jan  5 12:30");
    EXPECT_EQ(entries[1].name, "read me.txt");
    EXPECT_EQ(entries[1].kind, EntryKind::File);
    EXPECT_EQ(entries[2].name, "link");
    EXPECT_EQ(entries[2].linkTarget, "pub");
    EXPECT_EQ(s.Commands().at(0), "TYPE A");
    EXPECT_EQ(s.Commands().at(2), "LIST");
    EXPECT_EQ(s.waiter.Beeps(EngineUi::BeepKind::Default), 0) << "listings make no sound";

    s.ScriptIncoming("LIST", "150 Listing.\r\n",
                     "total 2\r\ndrwxr-xr-x   2 root        512 Jan  5 12:30 pub\r\n");
    ASSERT_EQ(s.session.FetchListing(entry), ListingRead::Entry);
    EXPECT_EQ(entry.group, "");
    EXPECT_EQ(entry.size, 512);
    EXPECT_EQ(entry.name, "pub");

    // A listing of the total line alone has no entries.
    s.ScriptIncoming("LIST", "150 Listing.\r\n", "total 0\r\n");
    EXPECT_EQ(s.session.FetchListing(entry), ListingRead::End);
}

TEST_F(TransferTest, RefusedListingIsAFailureWithoutSound) {
    s.server.Expect("TYPE", "200 ok\r\n")
        .Expect("PORT", "200 ok\r\n")
        .Expect("LIST", "550 Permission denied.\r\n");
    RemoteEntry entry;
    EXPECT_EQ(s.session.FetchListing(entry), ListingRead::Failed);
    EXPECT_TRUE(s.harness.HasLine("Could not get the directory listing.")) << s.harness.Joined();
    EXPECT_EQ(s.waiter.Beeps(EngineUi::BeepKind::Warning), 0);
}

}  // namespace
