// Downloads whose local side fails: the file grows past what the system lets
// the process write (EFBIG), the disk is full, or its directory cannot hold
// it. The download fails and says so, the previous file stays, and no partial
// file is left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
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

// A 64 KiB tmpfs on directory, in a mount namespace of this thread's own,
// which the download's worker thread (started from it) shares and nothing
// outside the test sees. Needs CAP_SYS_ADMIN: Mounted() tells.
class SmallDisk {
public:
    explicit SmallDisk(std::string directory) : directory(std::move(directory)) {
        mounted = original >= 0 && unshare(CLONE_NEWNS) == 0 &&
                  mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                  mount("tmpfs", this->directory.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted) umount2(directory.c_str(), MNT_DETACH);
        if (original < 0) return;
        setns(original, CLONE_NEWNS);
        close(original);
    }
    bool Mounted() const { return mounted; }

private:
    std::string directory;
    int original = open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
    bool mounted = false;
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
    EXPECT_TRUE(s.harness.HasLine("Could not write " + local + ": File too large")) << s.harness.Joined();
    EXPECT_EQ(TempDir::ReadFile(local), "previous");
    EXPECT_EQ(Entries(), std::vector<std::string>({"big.bin", "big.bin.part"}));
    const std::string partial = TempDir::ReadFile(local + ".part");
    EXPECT_LE(partial.size(), 256u * 1024) << "what fitted is kept for a resume";
    EXPECT_EQ(partial.find_first_not_of('x'), std::string::npos);
    EXPECT_EQ(s.session.Control().BusyCount(), 0);
}

// The disk fills while data arrives, or already is full when the last
// buffered bytes are written out: either way the failure gives the system's words.
TEST_F(DownloadFaultTest, FullDiskFailsWithTheSystemsWords) {
    const std::filesystem::path disk = dir / "disk";
    std::filesystem::create_directory(disk);
    SmallDisk small(disk.string());
    if (!small.Mounted()) GTEST_SKIP() << "no private mount namespace: " << std::strerror(errno);
    const struct {
        const char* name;
        std::size_t size;
        std::size_t filler;  // written to the disk before the download
    } rows[] = {{"big.bin", 1 << 20, 0}, {"s150.bin", 150, 64 * 1024}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.filler > 0) dir.WriteFile("disk/filler", std::string(row.filler, 'f'));
        const std::string local = (disk / row.name).string();
        s.ScriptIncoming("RETR", "150 Opening.\r\n", std::string(row.size, 'x'));
        const TransferOutcome outcome = s.session.Download(row.name, &local);
        EXPECT_EQ(outcome.result, kPermanent);
        const std::string failure = "Could not write " + local + ": No space left on device";
        EXPECT_TRUE(s.harness.HasLine(failure)) << s.harness.Joined();
        EXPECT_EQ(outcome.reason, failure);
        EXPECT_FALSE(std::filesystem::exists(local));
        std::filesystem::remove(local + ".part");
    }
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
        EXPECT_TRUE(s.harness.HasLineContaining("Could not create " + target + ": ")) << s.harness.Joined();
        EXPECT_FALSE(std::filesystem::exists(target));
    }
    chmod((dir / "read-only").c_str(), 0755);
}

}  // namespace
}  // namespace faults
