// Resume and modification times through real servers (pyftpdlib and vsftpd,
// passive mode): a resumed file is byte-identical to a whole transfer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <random>

#include "support/polling_waiter.h"
#include "ftp/network/real_server_login.h"
#include "support/session_settings.h"
#include "support/real_ftp_server.h"
#include "support/session_harness.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;
namespace fs = std::filesystem;

struct ResumeServer {
    const char* name;
    std::function<std::unique_ptr<testsupport::RealFtpServer>()> start;
};

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

class ResumeRealServerTest : public ::testing::TestWithParam<ResumeServer> {
protected:
    void SetUp() override {
        server = GetParam().start();
        if (!server->Started()) GTEST_SKIP() << GetParam().name << " not available: " << server->Problem();
        testsupport::LogInToRealServer(harness, waiter, *server, [](ConnectionSettings& settings) {
            settings.dataMode = DataMode::Passive;
            settings.transferMode = 'I';
            settings.keepModificationTimes = true;
        });
    }
    void TearDown() override {
        if (harness.session.IsConnected()) harness.session.Quit();
        harness.session.SetUi(nullptr);
    }
    // Puts contents on the server under name, with the given modification time.
    fs::path ServerFile(const std::string& name, const std::string& contents, time_t mtime) {
        const fs::path path = server->WritableDir() / name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
        const utimbuf times{mtime, mtime};
        utime(path.c_str(), &times);
        return path;
    }

    std::unique_ptr<testsupport::RealFtpServer> server;
    testsupport::SessionHarness harness;
    PollingWaiter waiter;
    TempDir local;
};

TEST_P(ResumeRealServerTest, DownloadContinuesFromThePartialFileAndKeepsTheServerTime) {
    const std::string contents = RandomBytes(3 * 1024 * 1024 + 17, 5);
    const time_t serverTime = 1577934245;  // 2020-01-02 03:04:05 UTC
    ServerFile("big.bin", contents, serverTime);
    const std::string target = (local / "big.bin").string();
    local.WriteFile("big.bin.part", contents.substr(0, contents.size() / 2));

    harness.session.SetResume(true);
    ASSERT_EQ(harness.session.DownloadFile("big.bin", &target), kComplete) << harness.Joined();
    EXPECT_TRUE(harness.HasLine("Quillmoor: REST " + std::to_string(contents.size() / 2)))
        << harness.Joined();
    EXPECT_TRUE(TempDir::ReadFile(target) == contents) << "the resumed file differs from the server's";
    EXPECT_FALSE(fs::exists(target + ".part"));
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, serverTime);
    {
        TransferStatusLock lock(harness.status);
        EXPECT_EQ(harness.status.expectedBytes, static_cast<std::int64_t>(contents.size()));
        EXPECT_EQ(harness.status.doneBytes, static_cast<std::int64_t>(contents.size()));
    }
}

TEST_P(ResumeRealServerTest, UploadContinuesAfterWhatTheServerHas) {
    const std::string contents = RandomBytes(2 * 1024 * 1024 + 3, 9);
    // The first half goes up as an upload that broke off would have left it.
    const std::string half = local.WriteFile("half.bin", contents.substr(0, contents.size() / 2)).string();
    ASSERT_EQ(harness.session.UploadFile("up.bin", &half), kComplete) << harness.Joined();
    const fs::path remote = server->WritableDir() / "up.bin";
    const std::string source = local.WriteFile("up.bin", contents).string();

    harness.session.SetResume(true);
    ASSERT_EQ(harness.session.UploadFile("up.bin", &source), kComplete) << harness.Joined();
    EXPECT_TRUE(
        harness.HasLine("Transferring " + std::to_string(contents.size() - contents.size() / 2) + " bytes"))
        << harness.Joined();
    EXPECT_TRUE(TempDir::ReadFile(remote) == contents) << "the resumed upload differs from the local file";

    // Once complete there is nothing left to send.
    ASSERT_EQ(harness.session.UploadFile("up.bin", &source), kComplete) << harness.Joined();
    EXPECT_TRUE(harness.HasLineContaining("is complete on the server already")) << harness.Joined();
}

// A walk takes the times from the MLSD listing where there is one.
TEST_P(ResumeRealServerTest, WalkKeepsTheServerTimes) {
    const fs::path tree = server->WritableDir() / "tree";
    fs::create_directory(tree);
    ServerFile("tree/a.bin", "alpha", 1500000000);
    ServerFile("tree/b.bin", "beta", 1600000000);
    const std::string copy = (local / "copy").string();
    EXPECT_EQ(harness.session.DownloadTree("tree", &copy).outcome, WalkResult::Outcome::Completed);
    EXPECT_EQ(harness.session.WalkFailures(), 0) << harness.Joined();
    struct stat info {};
    ASSERT_EQ(stat((copy + "/a.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1500000000);
    ASSERT_EQ(stat((copy + "/b.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1600000000);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ResumeRealServerTest,
    ::testing::Values(
        ResumeServer{
            "pyftpdlib",
            [] { return std::unique_ptr<testsupport::RealFtpServer>(new testsupport::PyftpdlibServer()); }},
        ResumeServer{
            "vsftpd",
            [] { return std::unique_ptr<testsupport::RealFtpServer>(new testsupport::VsftpdServer()); }}),
    [](const ::testing::TestParamInfo<ResumeServer>& info) { return info.param.name; });

}  // namespace
