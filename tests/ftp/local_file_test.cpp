// The local side of transfers: ASCII line-end translation, the temporary file
// that replaces a download's target only on success, sizes from replies.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include "ftp/ascii_line_ends.h"
#include "ftp/partial_download.h"
#include "support/session_harness.h"
#include "support/temp_dir.h"

namespace {

// Feeds text through the receive converter in blocks of the given size.
std::string ReceiveInBlocks(const std::string& wire, std::size_t blockSize) {
    AsciiReceiveConverter converter;
    std::string local;
    std::vector<char> buffer(blockSize + 1);
    for (std::size_t at = 0; at < wire.size(); at += blockSize) {
        std::size_t length = std::min(blockSize, wire.size() - at);
        std::copy_n(wire.data() + at, length, buffer.data());
        local.append(buffer.data(), converter.Convert(buffer.data(), length));
    }
    local.append(buffer.data(), converter.Finish(buffer.data()));
    return local;
}

std::string SendInBlocks(const std::string& local, std::size_t blockSize) {
    AsciiSendConverter converter;
    std::string wire;
    std::vector<char> out(2 * blockSize);
    for (std::size_t at = 0; at < local.size(); at += blockSize) {
        std::size_t length = std::min(blockSize, local.size() - at);
        wire.append(out.data(), converter.Convert(local.data() + at, length, out.data()));
    }
    return wire;
}

TEST(AsciiLineEnds, TranslatesWhateverTheBlockBoundaries) {
    const struct {
        std::string wire;
        std::string local;
    } rows[] = {
        {"one\r\ntwo\r\n", "one\ntwo\n"},
        {"lone\rcarriage\r\n", "lone\rcarriage\n"},
        {"ends with cr\r", "ends with cr\r"},
        {"\r\r\n", "\r\n"},
        {"", ""},
    };
    for (const auto& row : rows) {
        for (std::size_t block : {1u, 2u, 3u, 4000u}) {
            SCOPED_TRACE(row.wire + " in blocks of " + std::to_string(block));
            EXPECT_EQ(ReceiveInBlocks(row.wire, block), row.local);
        }
    }
}

TEST(AsciiLineEnds, SendAddsCrOnlyWhereMissingAndRoundTrips) {
    const std::string local = "a\nb\r\n\n" + std::string(700, 'x') + "\nend";
    for (std::size_t block : {1u, 512u}) {
        const std::string wire = SendInBlocks(local, block);
        EXPECT_EQ(wire, "a\r\nb\r\n\r\n" + std::string(700, 'x') + "\r\nend");
    }
    const std::string unixText = "line one\nline two\n\nlast";
    EXPECT_EQ(ReceiveInBlocks(SendInBlocks(unixText, 512), 4000), unixText);
}

class PartialDownloadTest : public ::testing::Test {
protected:
    std::size_t EntriesInDir() {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                                      std::filesystem::directory_iterator()));
    }
    testsupport::TempDir dir;
};

TEST_F(PartialDownloadTest, CommitReplacesTheTargetAndDiscardKeepsIt) {
    const std::string target = dir.WriteFile("report.txt", "previous contents").string();
    {
        PartialDownload download;
        ASSERT_EQ(download.Create(target), 0);
        ASSERT_EQ(download.Write("half", 4), 0);
        EXPECT_EQ(EntriesInDir(), 2u) << "the temporary file sits beside the target";
        download.Discard();
    }
    EXPECT_EQ(testsupport::TempDir::ReadFile(target), "previous contents");
    EXPECT_EQ(EntriesInDir(), 1u);

    {
        PartialDownload download;
        ASSERT_EQ(download.Create(target), 0);
        std::string big(600 * 1024, 'z');  // larger than the write buffer
        ASSERT_EQ(download.Write("new ", 4), 0);
        ASSERT_EQ(download.Write(big.data(), big.size()), 0);
        ASSERT_EQ(download.Commit().error, 0);
        EXPECT_EQ(testsupport::TempDir::ReadFile(target), "new " + big);
    }
    EXPECT_EQ(EntriesInDir(), 1u);

    {
        // Destroyed without a commit: nothing changes.
        PartialDownload download;
        ASSERT_EQ(download.Create(target), 0);
        ASSERT_EQ(download.Write("lost", 4), 0);
    }
    EXPECT_EQ(testsupport::TempDir::ReadFile(target).substr(0, 4), "new ");
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(PartialDownloadTest, ReportsADirectoryThatCannotHoldTheFile) {
    PartialDownload download;
    EXPECT_NE(download.Create((dir / "no-such-dir" / "file").string()), 0);
    EXPECT_FALSE(download.IsOpen());
}

// A pipe is written into without blocking: a full pipe waits through the
// session's wait (which Cancel can end), and a wait that gives up ends the write.
TEST_F(PartialDownloadTest, FullPipeWaitsForItsReaderOrGivesUp) {
    const std::string pipe = (dir / "pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string big(1 << 20, 'p');  // far more than a pipe holds
    for (const bool reading : {true, false}) {
        SCOPED_TRACE(reading ? "read" : "never read");
        int waits = 0;
        std::string arrived;
        // Holds the pipe open for reading, so that the download's open finds a reader.
        const int readEnd = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(readEnd, 0);
        // The reader starts at the first wait, so the pipe has been full once
        // however fast a reader would have drained it.
        std::thread reader;
        PartialDownload download;
        download.SetWaitForRoom([&waits, &reader, &arrived, reading, readEnd](int fd) {
            ++waits;
            if (reading && !reader.joinable()) {
                reader = std::thread([&arrived, readEnd] {
                    char buffer[4096];
                    pollfd entry{readEnd, POLLIN, 0};
                    while (poll(&entry, 1, 5000) == 1) {
                        const ssize_t got = read(readEnd, buffer, sizeof buffer);
                        if (got <= 0) break;
                        arrived.append(buffer, static_cast<std::size_t>(got));
                    }
                });
            }
            pollfd entry{fd, POLLOUT, 0};
            return reading && poll(&entry, 1, 5000) == 1;
        });
        ASSERT_EQ(download.Create(pipe), 0);
        const int written = download.Write(big.data(), big.size());
        const int committed = download.Commit().error;
        if (reader.joinable()) reader.join();
        close(readEnd);
        EXPECT_GT(waits, 0);
        if (reading) {
            EXPECT_EQ(written, 0);
            EXPECT_EQ(committed, 0);
            EXPECT_TRUE(arrived == big) << arrived.size() << " bytes arrived";
        } else {
            EXPECT_EQ(written, ECANCELED);
        }
        EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    }
}

TEST(SizeFromReply, ReadsTheByteCountBeforeBytes) {
    const struct {
        std::string reply;
        std::int64_t expected;
    } rows[] = {
        {"150 Opening BINARY mode data connection for big.iso (1073741824 bytes).", 1073741824},
        {"150 Opening data connection for a (12 BYTES).", 12},
        {"150 Opening data connection for a (7   bytes)", 7},
        {"150 File status okay; about to open data connection.", 0},
        {"150 (0 bytes).", 0},
        {"150 about some bytes", 0},
        {" BYTES", 0},
        {"150 x (99999999999999999999999 bytes).", 0},
        {"150 " + std::string(200, 'x') + " (4200000000 bytes).", 4200000000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        testsupport::SessionHarness harness;
        harness.status.expectedBytes = 0;
        harness.session.Transfer().ParseSizeFromReply(row.reply);
        EXPECT_EQ(harness.status.expectedBytes, row.expected);
    }
}

TEST(SizeFromReply, LocalFileSizeIsSixtyFourBit) {
    testsupport::TempDir dir;
    const std::string empty = dir.WriteFile("empty", "").string();
    EXPECT_EQ(FileTransfer::FileSize(empty), 0);
    EXPECT_EQ(FileTransfer::FileSize((dir / "missing").string()), -1);
    const std::string sparse = (dir / "sparse").string();
    std::filesystem::resize_file(dir.WriteFile("sparse", "x"), 5'000'000'000LL);
    EXPECT_EQ(FileTransfer::FileSize(sparse), 5'000'000'000LL);
}

}  // namespace
