// Reading the keyring through secret-tool, with stand-in programs: the
// password comes from the output, the attributes from the arguments, and a
// missing program, a miss and a hang are told apart.
#include "cli/secret_tool_vault.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace {

// A stand-in for secret-tool: a shell script that records its arguments.
std::string FakeTool(const testsupport::TempDir& dir, const std::string& body) {
    const std::string path =
        dir.WriteFile("fake-secret-tool",
                      "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/args\"\n" + body)
            .string();
    chmod(path.c_str(), 0700);
    return path;
}

TEST(SecretToolPasswordVault, ReadsThePasswordFromTheOutput) {
    testsupport::TempDir dir{"quillmoor-secret-tool"};
    SecretToolPasswordVault vault("Quillmoor", std::chrono::seconds(10),
                                  FakeTool(dir, "printf 'pa ss\\nword'\n"));
    std::string error;
    EXPECT_EQ(vault.Read("Work/Files", error), std::optional<std::string>("pa ss\nword"));
    EXPECT_EQ(error, "");
    EXPECT_EQ(testsupport::TempDir::ReadFile(dir / "args"), "lookup|user|Work/Files|server|Quillmoor|");
}

TEST(SecretToolPasswordVault, NothingFoundOrNoProgramIsNoPasswordWithoutAnError) {
    testsupport::TempDir dir{"quillmoor-secret-tool"};
    const struct {
        std::string program;
    } cases[] = {{FakeTool(dir, "exit 1\n")},                 // nothing stored
                 {FakeTool(dir, "printf 'half'; exit 1\n")},  // failed midway
                 {FakeTool(dir, "exit 0\n")},                 // an empty answer
                 {(dir / "no-such-program").string()}};
    for (const auto& c : cases) {
        SecretToolPasswordVault vault("Quillmoor", std::chrono::seconds(10), c.program);
        std::string error = "stale";
        EXPECT_EQ(vault.Read("k", error), std::nullopt) << c.program;
        EXPECT_EQ(error, "");
    }
}

TEST(SecretToolPasswordVault, GivesUpOnAKeyringThatDoesNotAnswer) {
    testsupport::TempDir dir{"quillmoor-secret-tool"};
    SecretToolPasswordVault vault("Quillmoor", std::chrono::milliseconds(300),
                                  FakeTool(dir, "exec sleep 30\n"));
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(vault.Read("k", error), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_NE(error.find("did not answer"), std::string::npos) << error;
}

TEST(SecretToolPasswordVault, NeverWritesTheKeyring) {
    SecretToolPasswordVault vault;
    std::string error;
    EXPECT_FALSE(vault.Store("k", "p", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(vault.Remove("k", error));
}

}  // namespace
