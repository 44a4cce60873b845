// Passive replies a server should never send: overlong, out of range, a port
// nobody listens on. Each costs its way with a log line (the next ways are
// refused here, so the transfer fails), leaves the session in step for the
// next one and leaks no descriptor.
#include <string>
#include <utility>
#include <vector>

#include "hostile_fixture.h"
#include "support/free_port.h"
#include "support/session_settings.h"

namespace hostile {
namespace {

class HostilePassiveTest : public HostileServerTest {
protected:
    // Lines that say why a passive data connection was not made.
    std::size_t FailureLines() {
        std::size_t count = 0;
        for (const std::string& line : s.harness.Lines()) {
            if (line.rfind("The server's EPSV reply", 0) == 0 ||
                line.rfind("The server's PASV reply", 0) == 0 ||
                line.rfind("The passive data connection to 127.0.0.1 port ", 0) == 0)
                ++count;
        }
        return count;
    }
};

TEST_F(HostilePassiveTest, EachBadReplyFailsOneTransfer) {
    testsupport::Reconfigure(s.session, [&](ConnectionSettings& config) {
        config.dataMode = DataMode::Passive;
    });
    ASSERT_NO_FATAL_FAILURE(s.LogIn());
    const unsigned short closed = testsupport::FreeTcpPort();
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"EPSV", "229 " + std::string(3000, '(') + "\r\n"},
        {"EPSV", "229 Extended Passive Mode (|||65535999|)\r\n"},
        {"EPSV", "229 Extended Passive Mode (|||" + std::to_string(closed) + "|)\r\n"},
        {"PASV", "227 Passive Mode (4294967297,0,0,1,4,1)\r\n"},
        {"PASV", "227 Passive Mode (-1,0,0,1,4,1)\r\n"},
        {"PASV", "227 Passive Mode (127,0,0,1," + std::to_string(closed / 256) + "," +
                     std::to_string(closed % 256) + ")\r\n"},
    };
    bool epsvRefused = false;
    for (const auto& [verb, reply] : rows) {
        SCOPED_TRACE(reply.substr(0, 60));
        s.server.Expect("TYPE", "200 ok\r\n");
        if (verb == "PASV" && !epsvRefused) {
            s.server.Expect("EPSV", "500 Unknown command.\r\n");
            epsvRefused = true;
        }
        s.server.Expect(verb, reply);
        const std::string local = (dir / "f.bin").string();
        const std::size_t failuresBefore = FailureLines();
        EXPECT_NE(s.session.DownloadFile("f.bin", &local), kComplete);
        EXPECT_TRUE(s.session.IsConnected()) << s.harness.Joined();
        // Every way was tried (the unscripted PASV and PORT are refused), none with RETR.
        EXPECT_EQ(s.server.Received().back().rfind("PORT ", 0), 0u) << s.harness.Joined();
        EXPECT_EQ(s.server.PendingSteps(), 0u);
        EXPECT_EQ(FailureLines(), failuresBefore + 1) << s.harness.Joined();
        EXPECT_EQ(s.session.Transfer().DataModeInUse(), DataMode::Passive);
    }
    EXPECT_TRUE(LocalTree().empty());
    EXPECT_TRUE(s.server.Mismatches().empty());
}

}  // namespace
}  // namespace hostile
