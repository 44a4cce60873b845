#include "ftp/private_listing_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The pid of a process that has ended (and been reaped).
pid_t EndedPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Only the listing files (and their partial files) of ended processes go:
// never a running program's, never a link or another name.
TEST(PrivateListingFile, RemovesOnlyWhatEndedProgramsLeft) {
    testsupport::TempDir dir;
    const std::string ended = std::to_string(EndedPid());
    const std::string running = std::to_string(getpid());
    const std::string directory = dir.Path().string() + "/";
    const std::string ours = CreatePrivateListingFile(directory);
    ASSERT_EQ(ours.rfind(directory + "quillmoor-listing-" + running + "-", 0), 0u) << ours;
    for (const std::string& name : {"quillmoor-listing-" + ended + "-a1b2c3", ".quillmoor-listing-" + ended + "-a1b2c3.7-0.part",
                                   "quillmoor-listing-" + ended + ".ftp", "quillmoor-listing-" + ended + "x", "quillmoor-listing-" + running + "-d4e5f6",
                                   "other-" + ended + "-a1b2c3"})
        dir.WriteFile(name, "remote names");
    fs::create_symlink(dir / ("quillmoor-listing-" + running + "-d4e5f6"), dir / ("quillmoor-listing-" + ended + "-link"));

    EXPECT_EQ(RemoveAbandonedListingFiles(directory), 3);
    std::vector<std::string> left;
    for (const auto& item : fs::directory_iterator(dir.Path())) left.push_back(item.path().filename().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> kept{"other-" + ended + "-a1b2c3", "quillmoor-listing-" + ended + "-link",
                                  "quillmoor-listing-" + ended + "x", fs::path(ours).filename().string(),
                                  "quillmoor-listing-" + running + "-d4e5f6"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
}

}  // namespace
