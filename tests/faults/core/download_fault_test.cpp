// Downloads whose local side fails: the file grows past what the system lets
// the process write (EFBIG, as a full disk would give), or its directory
// cannot hold it. The download fails and says so, the previous file stays,
// and no partial file is left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ftp/network/scripted_transfer_session.h"
#include "support/temp_dir.h"

namespace faults {
namespace {

using testsupport::TempDir;

// Lowers the largest file this process may write, with SIGXFSZ ignored so a
// write past it fails with EFBIG instead of ending the process. Restores both.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        applied = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous);
        signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Applied() const { return applied; }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
    bool applied = false;
};

class DownloadFaultTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.LogIn()); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::ScriptedTransferSession s;
    TempDir dir;
};

TEST_F(DownloadFaultTest, FileTooLargeForTheDiskFailsAndKeepsThePreviousFile) {
    const std::string local = dir.WriteFile("big.bin", "previous").string();
    s.ScriptIncoming("RETR", "150 Opening (4194304 bytes).\r\n", std::string(4 << 20, 'x'));
    {
        FileSizeLimit limit(256 * 1024);
        ASSERT_TRUE(limit.Applied());
        EXPECT_EQ(s.session.DownloadFile("big.bin", &local), kPermanent);
    }
    EXPECT_TRUE(
        s.harness.HasLineContaining("Failed to write file " + local + " (" + std::to_string(EFBIG) + ")"))
        << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_EQ(Entries(), std::vector<std::string>({"big.bin", "big.bin.part"}));
    const std::string partial = TempDir::ReadFile(local + ".part");
    EXPECT_LE(partial.size(), 256u * 1024) << "what fitted is kept for a resume";
    EXPECT_EQ(partial.find_first_not_of('x'), std::string::npos);
    EXPECT_EQ(s.session.Control().BusyCount(), 0);
}

TEST_F(DownloadFaultTest, DirectoryThatCannotHoldTheFileFailsTheDownload) {
    // Root may write into any directory whatever its mode, so the portable
    // case is a "directory" that is a regular file; a read-only directory is
    // tried as well when the test does not run as root.
    std::vector<std::string> targets = {dir.WriteFile("not-a-directory", "").string() + "/x.txt"};
    if (geteuid() != 0) {
        const std::filesystem::path readOnly = dir / "read-only";
        std::filesystem::create_directory(readOnly);
        chmod(readOnly.c_str(), 0555);
        targets.push_back((readOnly / "x.txt").string());
    }
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        s.ScriptIncoming("RETR", "150 Opening (4 bytes).\r\n", "data");
        EXPECT_EQ(s.session.DownloadFile("x.txt", &target), kPermanent);
        EXPECT_TRUE(s.harness.HasLineContaining("Failed to create file " + target + ": "))
            << s.harness.Joined();
        EXPECT_FALSE(std::filesystem::exists(target));
    }
    chmod((dir / "read-only").c_str(), 0755);
}

}  // namespace
}  // namespace faults
