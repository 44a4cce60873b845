#include <gtest/gtest.h>

#include "cli/cli_command.h"
#include "cli/cli_options.h"
#include "cli/cli_settings.h"
#include "cli/command_words.h"
#include "ftp/printable_text.h"
#include "support/temp_dir.h"

namespace {

TEST(SplitCommandWords, BlanksAndQuotes) {
    const struct {
        const char* text;
        std::vector<std::string> words;
    } rows[] = {
        {"cd pub", {"cd", "pub"}},
        {"  rename   a    b  ", {"rename", "a", "b"}},
        {"cd \"My Files\"", {"cd", "My Files"}},
        {"rename \"old name\" new\" \"name", {"rename", "old name", "new name"}},
        {"rm \"\"", {"rm", ""}},
        {"quote SITE\tHELP", {"quote", "SITE", "HELP"}},
        {"", {}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> words;
        std::string error;
        EXPECT_TRUE(SplitCommandWords(row.text, words, error)) << row.text;
        EXPECT_EQ(words, row.words) << row.text;
    }
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitCommandWords("cd \"unfinished", words, error));
    EXPECT_NE(error.find("unterminated quote"), std::string::npos);
}

TEST(ParseCliOptions, ValuesAndCommands) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions({"--user", "u", "--password=p", "--timeout", "5", "--mode", "A", "--firewall",
                                 "3", "--proxy", "proxy.example:2121", "--proxy-user", "pu",
                                 "--proxy-password", "pp", "ftp.example:21", "cd pub", "--user"},
                                options, error))
        << error;
    EXPECT_EQ(options.user, "u");
    EXPECT_EQ(options.password, "p");
    EXPECT_EQ(options.timeoutSeconds, 5);
    EXPECT_EQ(options.mode, 'A');
    EXPECT_EQ(options.firewallMode, 3);
    EXPECT_EQ(options.proxy, "proxy.example:2121");
    EXPECT_EQ(options.proxyUser, "pu");
    EXPECT_EQ(options.proxyPassword, "pp");
    EXPECT_EQ(options.host, "ftp.example:21");
    // After HOST every argument is a command, even one that looks like an option.
    EXPECT_EQ(options.commands, (std::vector<std::string>{"cd pub", "--user"}));
}

TEST(ParseCliOptions, DataConnectionMode) {
    const struct {
        std::vector<std::string> arguments;
        std::optional<DataMode> mode;
    } rows[] = {
        {{"h"}, std::nullopt},
        {{"--passive", "h"}, DataMode::Passive},
        {{"--active", "h", "ls"}, DataMode::Active},
        {{"--active", "--active", "h"}, DataMode::Active},
    };
    for (const auto& row : rows) {
        CliOptions options;
        std::string error;
        ASSERT_TRUE(ParseCliOptions(row.arguments, options, error)) << error;
        EXPECT_EQ(options.dataMode, row.mode) << testing::PrintToString(row.arguments);
        EXPECT_EQ(options.host, "h");
    }
    EXPECT_NE(CliUsage().find("--passive"), std::string::npos);
    EXPECT_NE(CliUsage().find("--active"), std::string::npos);
}

TEST(ParseCliOptions, EncryptionAndCertificates) {
    const std::string fingerprint = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    const struct {
        std::vector<std::string> arguments;
        std::optional<tls::Encryption> encryption;
        std::optional<std::string> trust;
        std::optional<std::string> caFile;
    } rows[] = {
        {{"h"}, std::nullopt, std::nullopt, std::nullopt},
        {{"--tls", "explicit", "h"}, tls::Encryption::RequireExplicit, std::nullopt, std::nullopt},
        {{"--tls=implicit", "h"}, tls::Encryption::RequireImplicit, std::nullopt, std::nullopt},
        {{"--tls", "auto", "h"}, tls::Encryption::ExplicitIfAvailable, std::nullopt, std::nullopt},
        {{"--tls", "off", "h"}, tls::Encryption::Plain, std::nullopt, std::nullopt},
        {{"--trust", fingerprint, "--ca-file", "/etc/ca.pem", "h"}, std::nullopt, fingerprint, "/etc/ca.pem"},
        {{"--tls", "explicit", "--trust=" + fingerprint, "h"},
         tls::Encryption::RequireExplicit,
         fingerprint,
         std::nullopt},
    };
    for (const auto& row : rows) {
        CliOptions options;
        std::string error;
        ASSERT_TRUE(ParseCliOptions(row.arguments, options, error)) << error;
        EXPECT_EQ(options.encryption, row.encryption) << testing::PrintToString(row.arguments);
        EXPECT_EQ(options.trust, row.trust) << testing::PrintToString(row.arguments);
        EXPECT_EQ(options.caFile, row.caFile) << testing::PrintToString(row.arguments);
        EXPECT_EQ(options.host, "h");
    }
    for (const char* option : {"--tls explicit|implicit|auto|off", "--trust SHA256:", "--ca-file FILE"})
        EXPECT_NE(CliUsage().find(option), std::string::npos) << option;
}

TEST(ParseCliOptions, VerifyAndRetries) {
    struct Row {
        std::vector<std::string> arguments;
        bool verify;
        int retries;
    };
    const Row rows[] = {
        {{"h"}, true, 2},
        {{"--no-verify", "h"}, false, 2},
        {{"--no-verify", "--verify", "h"}, true, 2},
        {{"--retries", "0", "h"}, true, 0},
        {{"--retries=10", "--no-verify", "h"}, false, 10},
    };
    for (const Row& row : rows) {
        CliOptions options;
        std::string error;
        ASSERT_TRUE(ParseCliOptions(row.arguments, options, error)) << error;
        EXPECT_EQ(options.verify, row.verify) << testing::PrintToString(row.arguments);
        EXPECT_EQ(options.retries, row.retries) << testing::PrintToString(row.arguments);
    }
    EXPECT_NE(CliUsage().find("--no-verify"), std::string::npos);
    EXPECT_NE(CliUsage().find("--retries N"), std::string::npos);
}

TEST(ParseCliOptions, UsageErrors) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--timeout", "soon", "h"},
        {"--timeout", "-1", "h"},
        {"--mode", "X", "h"},
        {"--mode", "FI", "h"},
        {"--firewall", "5", "--proxy", "p", "h"},
        {"--firewall", "2", "h"},
        {"--proxy", "p", "h"},
        {"--proxy", "p:99999", "--firewall", "1", "h"},
        {"--proxy", "[::1", "--firewall", "1", "h"},
        {"--bogus", "1", "h"},
        {"--passive", "--active", "h"},
        {"--user"},
        {"--tls", "yes", "h"},
        {"--tls", "EXPLICIT", "h"},
        {"--tls=", "h"},
        {"--trust", "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU", "h"},        // no SHA256:
        {"--trust", "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuF", "h"},  // one short
        {"--trust", "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFUU", "h"},
        {"--trust", "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFV", "h"},  // bits past the digest
        {"--trust", "SHA256:47DEQpj8HBSa-_TImW+5JCeuQeRkm5NMpJWZG3hSuFU", "h"},  // URL-safe alphabet
        {"--trust", "SHA1:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU", "h"},
        {"--ca-file=", "h"},
        {"--tls", "off", "--trust", "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU", "h"},
        {"--ca-file", "ca.pem", "--tls", "off", "h"},
        {"--retries", "11", "h"},
        {"--retries", "-1", "h"},
        {"--retries", "two", "h"},
    };
    for (const auto& row : rows) {
        CliOptions options;
        std::string error;
        EXPECT_FALSE(ParseCliOptions(row, options, error)) << testing::PrintToString(row);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(CliCommands, TableChecksArgumentCountsAndModes) {
    for (const char* name : {"cd", "mkdir", "rmdir", "rm", "rename", "chmod", "quote"}) {
        EXPECT_NE(FindCliCommand(name), nullptr) << name;
    }
    EXPECT_EQ(FindCliCommand("format"), nullptr);
    const CliCommand* chmod = FindCliCommand("chmod");
    EXPECT_EQ(chmod->check({"644", "f"}), "");
    EXPECT_EQ(chmod->check({"2755", "f"}), "");
    EXPECT_NE(chmod->check({"648", "f"}), "");
    EXPECT_NE(chmod->check({"64", "f"}), "");
    EXPECT_NE(chmod->check({"u+x", "f"}), "");
    EXPECT_NE(CliCommandHelp().find("rename OLD NEW"), std::string::npos);

    // get and put take "-c" before their names, and still one or two names.
    for (const char* name : {"get", "put"}) {
        SCOPED_TRACE(name);
        const CliCommand* transfer = FindCliCommand(name);
        EXPECT_EQ(transfer->check({"-c", "a"}), "");
        EXPECT_EQ(transfer->check({"-c", "a", "b"}), "");
        EXPECT_EQ(transfer->check({"a", "b"}), "");
        EXPECT_NE(transfer->check({"-c"}), "");
        EXPECT_NE(transfer->check({"a", "b", "c"}), "");
    }
    EXPECT_NE(FindCliCommand("get")->check({"-c", ".."}), "");
    EXPECT_NE(CliCommandHelp().find("get [-c] NAME [LOCAL]"), std::string::npos);
}

TEST(ParseCliOptions, NoKeepTime) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions({"h", "ls"}, options, error));
    EXPECT_TRUE(options.keepModificationTimes);
    options = CliOptions();
    ASSERT_TRUE(ParseCliOptions({"--no-keep-time", "h", "ls"}, options, error)) << error;
    EXPECT_FALSE(options.keepModificationTimes);
    EXPECT_EQ(options.commands, std::vector<std::string>{"ls"});
    EXPECT_NE(CliUsage().find("--no-keep-time"), std::string::npos);
}

TEST(LoadCliSettings, ReadsTheSharedSettingsFile) {
    testsupport::TempDir dir;
    const auto path = dir.WriteFile("Corvane/Quillmoor.ini",
                                    "[General]\n"
                                    "e-mail=wrong@section\n"
                                    "\n"
                                    "[ProgramOptions]\n"
                                    "Port=21\n"
                                    "Retry=15\n"
                                    "e-mail=\"someone@example.org\"\n"
                                    "\n"
                                    "[TransOptions]\n"
                                    "Transfer%20Mode=65\n"
                                    "Passive%20Mode=0\n"
                                    "Keep%20Modification%20Times=0\n"
                                    "[Listings]\nMost%20Entries=1000\nMost%20Megabytes=3\nTime%20Limit=0\n");
    const CliSettings settings = LoadCliSettings(path.string());
    EXPECT_EQ(settings.email, "someone@example.org");
    EXPECT_EQ(settings.timeoutSeconds, 15);
    EXPECT_EQ(settings.transferMode, 'A');
    EXPECT_FALSE(settings.passiveMode);
    EXPECT_FALSE(settings.keepModificationTimes);
    EXPECT_EQ(settings.listingLimits.entries, 1000u);
    EXPECT_EQ(settings.listingLimits.bytes, 3u << 20);
    EXPECT_EQ(settings.listingLimits.seconds, 0);

    const CliSettings defaults = LoadCliSettings((dir / "missing.conf").string());
    EXPECT_EQ(defaults.email, "");
    EXPECT_EQ(defaults.timeoutSeconds, 60);
    EXPECT_EQ(defaults.transferMode, 'F');
    EXPECT_TRUE(defaults.passiveMode);
    EXPECT_TRUE(defaults.keepModificationTimes);
}

TEST(CliSettingsPath, FollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/somewhere", 1);
    EXPECT_EQ(CliSettingsPath(), "/somewhere/Corvane/Quillmoor.ini");
}

TEST(PrintableText, ControlCharactersCannotReachTheTerminal) {
    EXPECT_EQ(PrintableText("220 \x1b[2Jhello\r\x07\tok"), "220 ?[2Jhello??\tok");
    EXPECT_EQ(PrintableText("caf\xC3\xA9"), "caf\xC3\xA9");
}

}  // namespace
