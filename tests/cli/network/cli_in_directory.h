#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace clitest {

// Runs quillmoor-cli with these arguments inside local, where its downloads
// land; its settings and listing files stay there too.
inline testsupport::RunResult RunCliIn(const testsupport::TempDir& local,
                                       const std::vector<std::string>& cliArguments) {
    std::vector<std::string> arguments = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", local.Path().string(),
                                          QUILLMOOR_CLI_PATH};
    arguments.insert(arguments.end(), cliArguments.begin(), cliArguments.end());
    return testsupport::RunProgram(
        arguments, std::chrono::seconds(60),
        {"XDG_CONFIG_HOME=" + local.Path().string(), "TMPDIR=" + local.Path().string()});
}

// size bytes of every value, in an order no transfer could produce by accident.
inline std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return bytes;
}

}  // namespace clitest
