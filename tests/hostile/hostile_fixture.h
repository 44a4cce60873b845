#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ftp/network/scripted_transfer_session.h"
#include "resource_watch.h"
#include "support/temp_dir.h"

namespace hostile {

// A session against a scripted server that the case makes misbehave, with a
// private local directory and the descriptor and heap watch around it all.
class HostileServerTest : public ::testing::Test {
protected:
    // Every file and directory below the case's local directory, relative to it.
    std::vector<std::string> LocalTree() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
            found.push_back(entry.path().lexically_relative(dir.Path()).string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    // Lines of a Unix listing, with the total line first.
    static std::string Listing(const std::vector<std::string>& lines) {
        std::string text = "total " + std::to_string(lines.size()) + "\r\n";
        for (const std::string& line : lines) text += line + "\r\n";
        return text;
    }
    static std::string FileLine(const std::string& name, std::size_t size = 3) {
        return "-rw-r--r--   1 ftp      ftp      " + std::to_string(size) + " Jan  1  2020 " + name;
    }
    static std::string DirectoryLine(const std::string& name) {
        return "drwxr-xr-x   2 ftp      ftp      4096 Jan  1  2020 " + name;
    }

    ResourceWatch watch;  // first member: its check runs after the others are gone
    testsupport::ScriptedTransferSession s;
    testsupport::TempDir dir{"quillmoor-hostile"};
};

}  // namespace hostile
