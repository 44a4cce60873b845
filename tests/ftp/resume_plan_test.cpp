// Server times (MDTM replies, MLSD modify facts), the decisions that continue
// a transfer, and the kept partial file a binary download is received into.
#include "ftp/resume_plan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ftp/modification_time.h"
#include "ftp/partial_download.h"
#include "support/temp_dir.h"

namespace {

TEST(ServerTime, ReadsOnlyWellFormedTimesWithinRange) {
    struct Case {
        const char* text;
        bool valid;
        std::int64_t seconds;
        long nanoseconds;
    };
    const Case cases[] = {
        {"19700101000000", true, 0, 0},
        {"20261207114800", true, 1796644080, 0},
        {"20240229235960", true, 1709251200, 0},  // leap day, leap second
        {"20261207114800.5", true, 1796644080, 500000000},
        {"20261207114800.123456789", true, 1796644080, 123456789},
        {"19691231235959", true, -1, 0},
        {"20261207114800.", false, 0, 0},
        {"20261207114800.1234567890", false, 0, 0},
        {"20261207114800.12a", false, 0, 0},
        {"20261207114800Z", false, 0, 0},
        {"2026120711480", false, 0, 0},
        {"202612071148000", false, 0, 0},
        {" 20261207114800", false, 0, 0},
        {"2026-12-07 11:48", false, 0, 0},
        {"20261307114800", false, 0, 0},  // month 13
        {"20260007114800", false, 0, 0},
        {"20261232114800", false, 0, 0},
        {"20230229114800", false, 0, 0},  // no leap day in 2023
        {"21000229114800", false, 0, 0},
        {"20261207244800", false, 0, 0},
        {"20261207116000", false, 0, 0},
        {"20261207114861", false, 0, 0},
        {"00001207114800", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<ServerTime> time = ParseServerTime(c.text);
        ASSERT_EQ(time.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(time->seconds, c.seconds);
        EXPECT_EQ(time->nanoseconds, c.nanoseconds);
    }
}

TEST(ServerTime, TakesTheTimeOfA213ReplyOnly) {
    EXPECT_EQ(TimeFromMdtmReply("213 20261207114800")->seconds, 1796644080);
    EXPECT_EQ(TimeFromMdtmReply("213 20261207114800.25")->nanoseconds, 250000000);
    EXPECT_FALSE(TimeFromMdtmReply("213 yesterday"));
    EXPECT_FALSE(TimeFromMdtmReply("550 20261207114800"));
    EXPECT_FALSE(TimeFromMdtmReply("21320261207114800"));
}

TEST(ServerTime, SetsTheModificationTimeOfRegularFilesOnly) {
    testsupport::TempDir dir;
    const std::string file = dir.WriteFile("f", "x").string();
    ASSERT_EQ(SetModificationTime(file, ServerTime{1796644080, 500000000}), 0);
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1796644080);
    EXPECT_EQ(info.st_mtim.tv_nsec, 500000000);
    EXPECT_EQ(SetModificationTime(dir.Path().string(), ServerTime{}), EINVAL);
    EXPECT_EQ(SetModificationTime((dir / "missing").string(), ServerTime{}), ENOENT);
}

TEST(ResumePlan, DownloadContinuesOnlyFromAPossibleBeginning) {
    struct Case {
        std::int64_t partial, remote;
        DownloadResumePlan::Start start;
        std::int64_t offset;
    };
    using Start = DownloadResumePlan::Start;
    const Case cases[] = {
        {0, 100, Start::Whole, 0},          {0, -1, Start::Whole, 0},    {40, 100, Start::FromOffset, 40},
        {40, -1, Start::FromOffset, 40},  // no SIZE: trust the partial
        {100, 100, Start::FromOffset, 100}, {101, 100, Start::Whole, 0}, {5, 0, Start::Whole, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.partial << " of " << c.remote);
        const DownloadResumePlan plan = PlanDownloadResume(c.partial, c.remote);
        EXPECT_EQ(plan.start, c.start);
        EXPECT_EQ(plan.offset, c.offset);
    }
}

TEST(ResumePlan, UploadSendsOnlyWhatTheServerLacks) {
    struct Case {
        std::int64_t local, remote;
        UploadResumePlan plan;
    };
    const Case cases[] = {
        {100, -1, UploadResumePlan::SendWhole},      {100, 0, UploadResumePlan::SendWhole},
        {100, 40, UploadResumePlan::SendFromOffset}, {100, 100, UploadResumePlan::NothingToDo},
        {100, 101, UploadResumePlan::RemoteLarger},  {0, 0, UploadResumePlan::NothingToDo},
        {0, -1, UploadResumePlan::SendWhole},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.local << " against " << c.remote);
        EXPECT_EQ(PlanUploadResume(c.local, c.remote), c.plan);
    }
}

class KeptPartialTest : public testing::Test {
protected:
    testsupport::TempDir dir;
    std::string target = (dir / "data.bin").string();
    std::string partial = PartialFilePath(target);
};

TEST_F(KeptPartialTest, KeepsWhatArrivedAndContinuesFromItsEnd) {
    dir.WriteFile("data.bin", "old");
    std::string keptPath;
    std::int64_t keptBytes = 0;
    {
        PartialDownload download;
        download.SetKeptNotice([&](const std::string& path, std::int64_t bytes) {
            keptPath = path;
            keptBytes = bytes;
        });
        ASSERT_EQ(download.CreateKept(target, false), 0);
        ASSERT_EQ(download.Write("first ", 6), 0);
        download.Discard();
    }
    EXPECT_EQ(keptPath, partial);
    EXPECT_EQ(keptBytes, 6);
    EXPECT_EQ(testsupport::TempDir::ReadFile(target), "old")
        << "the target stays until the download completes";
    EXPECT_EQ(testsupport::TempDir::ReadFile(partial), "first ");

    PartialDownload download;
    ASSERT_EQ(download.CreateKept(target, true), 0);
    EXPECT_EQ(download.ResumeOffset(), 6);
    ASSERT_EQ(download.Write("second", 6), 0);
    ASSERT_EQ(download.Commit().error, 0);
    EXPECT_EQ(testsupport::TempDir::ReadFile(target), "first second");
    EXPECT_FALSE(std::filesystem::exists(partial));
}

// Starting again empties the partial file only when new bytes arrive: a
// download refused at once leaves it as it was. An empty one is not kept.
TEST_F(KeptPartialTest, StartingAgainEmptiesThePartialOnlyWhenBytesArrive) {
    dir.WriteFile("data.bin.part", "stale bytes");
    {
        PartialDownload download;
        ASSERT_EQ(download.CreateKept(target, true), 0);
        ASSERT_EQ(download.Restart(), 0);
        EXPECT_EQ(download.ResumeOffset(), 0);
        download.Discard();
    }
    EXPECT_EQ(testsupport::TempDir::ReadFile(partial), "stale bytes");
    {
        PartialDownload download;
        ASSERT_EQ(download.CreateKept((dir / "other").string(), false), 0);
        download.Discard();
        EXPECT_FALSE(std::filesystem::exists(PartialFilePath((dir / "other").string())));
    }
    PartialDownload fresh;
    ASSERT_EQ(fresh.CreateKept(target, false), 0);
    EXPECT_EQ(fresh.ResumeOffset(), 0);
    ASSERT_EQ(fresh.Write("new", 3), 0);
    ASSERT_EQ(fresh.Commit().error, 0);
    EXPECT_EQ(testsupport::TempDir::ReadFile(target), "new");
}

// Something planted under the partial file's name is never written through,
// and a link or pipe at the target gets the old way (no partial kept).
TEST_F(KeptPartialTest, NeverWritesThroughWhatIsNotAPlainFile) {
    const std::string elsewhere = dir.WriteFile("elsewhere", "precious").string();
    ASSERT_EQ(symlink(elsewhere.c_str(), partial.c_str()), 0);
    PartialDownload download;
    EXPECT_NE(download.CreateKept(target, true), 0);
    EXPECT_FALSE(download.Refusal().empty());
    EXPECT_EQ(testsupport::TempDir::ReadFile(elsewhere), "precious");
    std::filesystem::remove(partial);
    ASSERT_EQ(mkfifo(partial.c_str(), 0600), 0);
    EXPECT_NE(download.CreateKept(target, true), 0);
    std::filesystem::remove(partial);

    const std::string link = (dir / "link.bin").string();
    ASSERT_EQ(symlink(elsewhere.c_str(), link.c_str()), 0);
    ASSERT_EQ(download.CreateKept(link, true), 0);
    EXPECT_TRUE(download.KeptPath().empty());
    EXPECT_EQ(download.ResumeOffset(), 0);
    download.Discard();
    EXPECT_FALSE(std::filesystem::exists(PartialFilePath(link)));
}

}  // namespace
