// Round trips through real servers (pyftpdlib and vsftpd on 127.0.0.1 and ::1):
// files and trees, ASCII and binary, compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>

#include "support/polling_waiter.h"
#include "ftp/network/real_server_login.h"
#include "support/real_ftp_server.h"
#include "support/session_harness.h"
#include "support/temp_dir.h"
#include "support/session_settings.h"

namespace {

using testsupport::TempDir;
namespace fs = std::filesystem;

using ServerFactory = std::function<std::unique_ptr<testsupport::RealFtpServer>()>;

struct ServerKind {
    const char* name;
    ServerFactory start;
    DataMode mode = DataMode::Active;
    bool tryEpsv = true;
    const char* modeLine = nullptr;  // a line the session must log (part of it), if any
};

// A documentation address (TEST-NET-1): vsftpd writes it into its PASV
// replies, and the client must never connect to it.
const char* const kForeignAddress = "192.0.2.1";

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string TextLines(std::size_t lines) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) text += "line " + std::to_string(i) + " of some text\n";
    return text;
}

// Every file below root, by relative path, with its contents.
std::map<std::string, std::string> TreeContents(const fs::path& root) {
    std::map<std::string, std::string> contents;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(item.path(), root).string();
        contents[relative] = item.is_directory() ? std::string("<dir>") : TempDir::ReadFile(item.path());
    }
    return contents;
}

class RealServerTest : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        server = GetParam().start();
        if (!server->Started()) GTEST_SKIP() << GetParam().name << " not available: " << server->Problem();
        testsupport::LogInToRealServer(harness, waiter, *server, [&](ConnectionSettings& config) {
            config.dataMode = GetParam().mode;
            config.tryEpsv = GetParam().tryEpsv;
        });
    }
    void TearDown() override {
        if (server->Started()) {
            const ServerKind& kind = GetParam();
            if (kind.modeLine != nullptr) {
                EXPECT_TRUE(harness.HasLineContaining(kind.modeLine)) << harness.Joined();
            }
            EXPECT_FALSE(harness.HasLineContaining(std::string("connected to ") + kForeignAddress));
            if (kind.mode == DataMode::Passive) {
                EXPECT_EQ(harness.session.Transfer().DataModeInUse(), DataMode::Passive) << harness.Joined();
            }
        }
        if (harness.session.IsConnected()) harness.session.Quit();
        harness.session.SetUi(nullptr);
    }

    // Uploads a file and downloads it again in the given mode; returns what came back.
    std::string RoundTrip(const std::string& name, const std::string& contents, char mode) {
        FtpSession& session = harness.session;
        testsupport::Reconfigure(session, [&](ConnectionSettings& config) { config.transferMode = mode; });
        const std::string up = local.WriteFile("up-" + name, contents).string();
        EXPECT_EQ(session.UploadFile(name, &up), kComplete) << harness.Joined();
        const std::string down = (local / ("down-" + name)).string();
        EXPECT_EQ(session.DownloadFile(name, &down), kComplete) << harness.Joined();
        return fs::exists(down) ? TempDir::ReadFile(down) : std::string("<missing>");
    }

    std::unique_ptr<testsupport::RealFtpServer> server;
    testsupport::SessionHarness harness;
    PollingWaiter waiter;
    TempDir local;
};

TEST_P(RealServerTest, BinaryFilesComeBackByteForByte) {
    const std::string contents = RandomBytes(3 * 1024 * 1024 + 17, 7);
    EXPECT_TRUE(RoundTrip("random.bin", contents, 'I') == contents);
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "random.bin") == contents)
        << "the server stored the file unchanged";
    EXPECT_EQ(RoundTrip("empty.bin", "", 'I'), "");
    const std::string lowBytes = RandomBytes(100000, 11);
    EXPECT_TRUE(RoundTrip("local8.bin", lowBytes, 'L') == lowBytes);
}

TEST_P(RealServerTest, TextFilesComeBackByteForByteInAscii) {
    const std::string text = TextLines(20000);
    EXPECT_TRUE(RoundTrip("text.txt", text, 'A') == text);
    EXPECT_EQ(RoundTrip("no-final-newline.txt", "a\nb", 'A'), "a\nb");
}

TEST_P(RealServerTest, TreesComeBackByteForByte) {
    FtpSession& session = harness.session;
    testsupport::Reconfigure(session, [&](ConnectionSettings& config) { config.transferMode = 'F'; });
    const fs::path source = local / "source";
    local.WriteFile("source/readme.txt", TextLines(50));
    local.WriteFile("source/Extension.ftp", "A TXT\n");
    local.WriteFile("source/data.bin", RandomBytes(200000, 3));
    local.WriteFile("source/empty", "");
    local.WriteFile("source/name with blanks.bin", RandomBytes(1000, 5));
    local.WriteFile("source/sub/deeper/leaf.bin", RandomBytes(70000, 9));
    local.WriteFile("source/sub/notes.txt", TextLines(10));
    fs::create_directories(source / "sub" / "empty dir");

    const std::string startDirectory = fs::current_path();
    EXPECT_EQ(session.UploadTree(source.string(), "tree").outcome, WalkResult::Outcome::Completed);
    EXPECT_FALSE(harness.status.stopWalk) << harness.Joined();
    EXPECT_EQ(session.WalkFailures(), 0) << harness.Joined();

    // The download decides by the table in force where it starts, not by the
    // copy of the table it brings back.
    const fs::path copy = local / "copy";
    const std::string copyPath = copy.string();
    local.WriteFile("Extension.ftp", "A TXT\n");
    fs::current_path(local.Path());
    EXPECT_EQ(session.DownloadTree("tree", &copyPath).outcome, WalkResult::Outcome::Completed);
    fs::current_path(startDirectory);
    EXPECT_EQ(session.WalkFailures(), 0) << harness.Joined();
    EXPECT_EQ(fs::current_path(), startDirectory);
    EXPECT_TRUE(TreeContents(copy) == TreeContents(source)) << harness.Joined();
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "tree" / "sub" / "deeper" / "leaf.bin") ==
                TempDir::ReadFile(source / "sub" / "deeper" / "leaf.bin"));

    // The remote working directory is where it was before the walks.
    RemoteEntry entry;
    bool sawTree = false;
    for (ListingRead read = session.FetchListing(entry); read == ListingRead::Entry; read = session.NextEntry(entry)) {
        sawTree = sawTree || entry.name == "tree";
    }
    EXPECT_TRUE(sawTree) << harness.Joined();
}

// Servers without a total line put an entry first: a name as long as the
// file system allows, there or anywhere, and a link to a long path come
// through whole, and every other entry keeps its columns.
TEST_P(RealServerTest, LongNamesComeThroughWhole) {
    const fs::path disk = server->WritableDir() / "long";
    const std::string longName = std::string(200, 'n') + " with blanks " + std::string(42, 'e');  // 255 bytes
    const std::string longTarget = std::string(1100, '/') + "x";
    fs::create_directories(disk);
    for (const std::string& name : {longName, std::string("a.txt"), std::string("zz") + longName.substr(2)}) {
        std::ofstream(disk / name) << "12345";
    }
    fs::create_symlink(longTarget, disk / "link");
    FtpSession& session = harness.session;
    ASSERT_EQ(session.ChangeDir("long"), kComplete) << harness.Joined();

    std::map<std::string, std::string> sizes;
    const Result<Listing> listing = session.Lister().List("long");
    ASSERT_TRUE(listing.Ok()) << harness.Joined();
    for (const RemoteEntry& entry : listing.Value().entries)
        sizes[entry.name] = entry.size ? std::to_string(*entry.size) : "";
    // pyftpdlib's MLSD leaves out a link whose target does not exist; LIST shows it.
    const bool linkListed = !session.LoginPart().Features().Mlst();
    ASSERT_EQ(sizes.size(), linkListed ? 4u : 3u) << harness.Joined();
    EXPECT_EQ(sizes[longName], "5");
    EXPECT_EQ(sizes["a.txt"], "5");
    EXPECT_EQ(sizes["zz" + longName.substr(2)], "5");
    // Servers show a link's target, or leave it out.
    if (!linkListed) return;
    const auto link = std::find_if(sizes.begin(), sizes.end(),
                                   [](const auto& item) { return item.first.rfind("link", 0) == 0; });
    ASSERT_NE(link, sizes.end());
    EXPECT_TRUE(link->first == "link" || link->first == "link -> " + longTarget) << link->first;
}

// The listing shows the files the test made, with exact sizes and directory
// flags, and a walk downloads them: through MLSD where the server offers MLST
// (pyftpdlib does), through LIST elsewhere.
TEST_P(RealServerTest, ListingAndWalkMatchTheFilesMade) {
    const fs::path disk = server->WritableDir() / "made";
    fs::create_directories(disk / "sub dir");
    const std::map<std::string, std::string> files = {
        {"empty", ""}, {"one byte", "x"}, {"big.bin", RandomBytes(70000, 3)}, {"sub dir/inner.txt", "inner"}};
    for (const auto& [name, contents] : files) std::ofstream(disk / name, std::ios::binary) << contents;
    FtpSession& session = harness.session;
    const bool mlsd = session.LoginPart().Features().Mlst();
    if (std::string(GetParam().name) == "pyftpdlib") {
        EXPECT_TRUE(mlsd) << harness.Joined();
    }
    ASSERT_EQ(session.ChangeDir("made"), kComplete) << harness.Joined();

    std::map<std::string, std::string> listed;  // name -> size, or "<dir>"
    RemoteEntry entry;
    std::string directoryMode;
    for (ListingRead read = session.FetchListing(entry); read == ListingRead::Entry; read = session.NextEntry(entry)) {
        listed[entry.name] = entry.IsFile() ? std::to_string(entry.size.value_or(-1)) : "<dir>";
        if (!entry.IsFile()) directoryMode = entry.permissions;
    }
    // Both forms give the mode text, MLSD once the mode fact is asked for.
    EXPECT_EQ(directoryMode.size(), 10u) << directoryMode;
    EXPECT_EQ(directoryMode.substr(0, 1), "d");
    const std::map<std::string, std::string> expected = {
        {"empty", "0"}, {"one byte", "1"}, {"big.bin", "70000"}, {"sub dir", "<dir>"}};
    EXPECT_EQ(listed, expected) << harness.Joined();
    EXPECT_EQ(harness.HasLineContaining("Quillmoor: MLSD"), mlsd);
    EXPECT_EQ(harness.HasLineContaining("Quillmoor: LIST"), !mlsd);

    ASSERT_EQ(session.ChangeDir(".."), kComplete) << harness.Joined();
    const std::string copy = (local / "copy").string();
    EXPECT_EQ(session.DownloadTree("made", &copy).outcome, WalkResult::Outcome::Completed);
    EXPECT_EQ(session.WalkFailures(), 0) << harness.Joined();
    EXPECT_TRUE(TreeContents(copy) == TreeContents(disk)) << harness.Joined();
}

// A tree with a link to a directory, to a file, back to the walk's own top
// and to nothing. The walk copies the first two as what they lead to, skips
// the way back, and fails on the last where the server lists it (vsftpd's
// LIST; pyftpdlib's MLSD leaves it out).
TEST_P(RealServerTest, WalkFollowsLinksToTheirTargetsButNeverInALoop) {
    const fs::path disk = server->WritableDir() / "links";
    fs::create_directories(disk / "sub");
    std::ofstream(disk / "file.txt", std::ios::binary) << RandomBytes(3000, 5);
    std::ofstream(disk / "sub" / "inner.bin", std::ios::binary) << RandomBytes(5000, 6);
    fs::create_directory_symlink("sub", disk / "todir");
    fs::create_symlink("file.txt", disk / "tofile");
    fs::create_directory_symlink("..", disk / "sub" / "up");
    fs::create_symlink("missing", disk / "dangling");
    FtpSession& session = harness.session;
    const bool mlsd = session.LoginPart().Features().Mlst();

    const std::string copy = (local / "copy").string();
    session.DownloadTree("links", &copy);
    const std::string file = TempDir::ReadFile(disk / "file.txt");
    const std::string inner = TempDir::ReadFile(disk / "sub" / "inner.bin");
    const std::map<std::string, std::string> expected = {
        {"file.txt", file}, {"tofile", file},   {"sub", "<dir>"},
        {"todir", "<dir>"}, {"sub/inner.bin", inner}, {"todir/inner.bin", inner}};
    EXPECT_TRUE(TreeContents(copy) == expected) << harness.Joined();
    EXPECT_EQ(session.WalkFailures(), mlsd ? 0 : 1) << "only the link to nothing fails\n" << harness.Joined();
    // Once from "sub", once from the target of "todir".
    const auto& lines = harness.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.rfind("Skipped link ", 0) == 0 &&
                                       line.find("/up: it leads back to ") != std::string::npos;
                            }),
              2)
        << harness.Joined();
    ASSERT_EQ(session.ChangeDir("links"), kComplete) << "the walk ended where it started\n" << harness.Joined();
}

std::unique_ptr<testsupport::RealFtpServer> PassiveOnlyVsftpd() {
    return std::make_unique<testsupport::VsftpdServer>(testsupport::VsftpdDataOptions{false, ""});
}

std::unique_ptr<testsupport::RealFtpServer> Ipv6Vsftpd() {
    return std::make_unique<testsupport::VsftpdServer>(testsupport::VsftpdDataOptions{true, "", "::1"});
}

std::unique_ptr<testsupport::RealFtpServer> Ipv6Pyftpdlib() {
    return std::make_unique<testsupport::PyftpdlibServer>("::1");
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTest,
                         ::testing::Values(ServerKind{"pyftpdlib",
                                                      [] {
                                                          return std::unique_ptr<testsupport::RealFtpServer>(
                                                              new testsupport::PyftpdlibServer());
                                                      }},
                                           ServerKind{"vsftpd",
                                                      [] {
                                                          return std::unique_ptr<testsupport::RealFtpServer>(
                                                              new testsupport::VsftpdServer());
                                                      }},
                                           ServerKind{"vsftpd_passive_only", PassiveOnlyVsftpd,
                                                      DataMode::Passive, true,
                                                      "] connected to 127.0.0.1 port "},
                                           // Active first: the refused PORT switches the session.
                                           ServerKind{"vsftpd_passive_only_from_active", PassiveOnlyVsftpd,
                                                      DataMode::Active, true,
                                                      "Active mode refused; switching to passive mode."},
                                           // PASV only, so that the foreign address is named every time.
                                           ServerKind{"vsftpd_foreign_pasv_address",
                                                      [] {
                                                          return std::unique_ptr<testsupport::RealFtpServer>(
                                                              new testsupport::VsftpdServer({true, kForeignAddress}));
                                                      },
                                                      DataMode::Passive, false,
                                                      "The server named 192.0.2.1 for the data connection"},
                                           // Over IPv6: EPSV and EPRT, the listener on ::1.
                                           ServerKind{"vsftpd_ipv6_passive", Ipv6Vsftpd, DataMode::Passive,
                                                      true, "] connected to ::1 port "},
                                           ServerKind{"vsftpd_ipv6_active", Ipv6Vsftpd, DataMode::Active,
                                                      true, "] listener ::1 port "},
                                           ServerKind{"pyftpdlib_ipv6_passive", Ipv6Pyftpdlib,
                                                      DataMode::Passive, true, "] connected to ::1 port "},
                                           ServerKind{"pyftpdlib_ipv6_active", Ipv6Pyftpdlib,
                                                      DataMode::Active, true, "] listener ::1 port "}),
                         [](const ::testing::TestParamInfo<ServerKind>& info) { return info.param.name; });

}  // namespace
