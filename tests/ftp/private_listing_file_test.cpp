#include "ftp/private_listing_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Only the listing files (and partial files) of ended processes go: never a
// running program's, a link or another name.
TEST(PrivateListingFile, RemovesOnlyWhatEndedProgramsLeft) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    const std::string ended = "quillmoor-listing-" + std::to_string(child);
    testsupport::TempDir dir;
    const std::string ours = "quillmoor-listing-" + std::to_string(getpid()) + "-x1y2z3";
    dir.WriteFile(ours, "remote names");
    for (const std::string& name :
         {ended + "-a1b2c3", "." + ended + "-a1b2c3.7-0.part", ended + ".ftp", ended + "x", "other-" + ended})
        dir.WriteFile(name, "remote names");
    fs::create_symlink(dir / ours, dir / (ended + "-link"));

    EXPECT_EQ(RemoveAbandonedListingFiles(dir.Path().string() + "/"), 3);
    std::vector<std::string> left;
    for (const auto& item : fs::directory_iterator(dir.Path())) left.push_back(item.path().filename());
    std::vector<std::string> kept{ended + "-link", ended + "x", "other-" + ended, ours};
    std::sort(left.begin(), left.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
}

}  // namespace
