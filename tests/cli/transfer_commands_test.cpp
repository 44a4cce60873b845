// The ls command's output and result against the scripted server.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_runner.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::ScriptedFtpServer;

class CliList : public testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        // The listing file lives in the temporary directory; keep it to this test.
        if (const char* previous = getenv("TMPDIR")) previousTmpdir = previous;
        setenv("TMPDIR", config.Path().c_str(), 1);
        server.Expect("USER", "331 send password\r\n").Expect("PASS", "230 in\r\n");
        server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    }
    void TearDown() override {
        if (previousTmpdir.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", previousTmpdir.c_str(), 1);
        }
    }
    int Run() {
        CliRunner runner(out, err);
        return runner.Run({"--active", "--email", "me@example.org", server.HostText(), "ls"});
    }

    testsupport::TempDir config{"quillmoor-cli-config"};
    std::string previousTmpdir;
    ScriptedFtpServer server;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliList, PrintsOneTabSeparatedEntryPerLine) {
    server.Expect("LIST", [](ScriptedConnection& connection, const std::string&) {
        connection.Send("150 Here comes the listing.\r\n");
        DataLink link = connection.ConnectToLastPort();
        link.SendAll(
            "total 3\r\n"
            "drwxr-xr-x   2 root     other        512 Jan  5 12:30 pub\r\n"
            "-rw-r--r--   1 ftp      ftp         42 Mar  1  2020 two  blanks\r\n"
            "-rw-r--r--   1 ftp      ftp          1 Mar  1  2020 bell\a\ttab\x1b[2J\r\n");
        link.Close();
        connection.Send("226 Directory send OK.\r\n");
    });
    // A name with control characters is no entry: the engine logs the line.
    EXPECT_EQ(Run(), CliRunner::kSuccess) << err.str();
    EXPECT_EQ(out.str(),
              "drwxr-xr-x\t2\troot\tother\t512\tJan  5 12:30\tpub\n"
              "-rw-r--r--\t1\tftp\tftp\t42\tMar  1  2020\ttwo  blanks\n");
}

TEST_F(CliList, ARefusedListingFails) {
    server.Expect("LIST", "550 Permission denied.\r\n");
    EXPECT_EQ(Run(), CliRunner::kFailure) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Could not get the directory listing."), std::string::npos) << err.str();
}

}  // namespace
