// The words for each cause of a failed log-in.
#include "ftp/logon_failure_text.h"

#include <gtest/gtest.h>

namespace {

using Cause = LogonResult::Cause;

struct FailureCase {
    const char* name;
    Cause cause;
    const char* address;  // empty: no address was tried
    int code;             // the socket error of a failed connect, else the server's reply code
    const char* replyText;
    const char* expected;
};

const char kGeneral[] = "There was a problem logging on to the site, please see the log window for details.";

const FailureCase kCases[] = {
    {"wrong credentials", Cause::WrongCredentials, "127.0.0.1", 530, "530 Login incorrect.",
     "Could not log in to ftp.example.test: wrong user name or password (530 Login incorrect.)"},
    {"refused", Cause::ConnectionRefused, "127.0.0.1", 10061, "",
     "Could not connect to ftp.example.test port 2121: Connection refused"},
    {"refused before any address", Cause::ConnectionRefused, "", 10061, "",
     "Could not connect to ftp.example.test: Connection refused"},
    {"unreachable", Cause::ConnectionFailed, "::1", 10065, "",
     "Could not connect to ftp.example.test port 2121: That host is unreachable."},
    {"timed out", Cause::TimedOut, "127.0.0.1", 0, "", "Could not connect to ftp.example.test: timed out after 45 s"},
    {"unknown host", Cause::HostNotFound, "", 0, "", "Could not connect: the host name ftp.example.test was not found"},
    {"not secured", Cause::NotSecured, "127.0.0.1", 0, "",
     "Could not connect to ftp.example.test: the encryption this site requires could not be set up; see the log"},
    {"proxy refused", Cause::ProxyRefused, "127.0.0.1", 530, "530 Unknown host.",
     "Could not connect: the firewall ftp.example.test refused the log-in (530 Unknown host.)"},
    {"bad welcome", Cause::BadWelcome, "127.0.0.1", 421, "421 Too many users",
     "Could not connect to ftp.example.test: the server did not welcome the connection (421 Too many users)"},
    {"bad welcome without a reply", Cause::BadWelcome, "127.0.0.1", 0, "",
     "Could not connect to ftp.example.test: the server did not welcome the connection"},
    {"no firewall host", Cause::NoFirewallHost, "", 0, "",
     "Could not connect: the firewall is on but no firewall host is entered in the options"},
    {"cancelled", Cause::Cancelled, "127.0.0.1", 0, "", ""},
    {"failed without a socket error", Cause::ConnectionFailed, "127.0.0.1", 0, "", kGeneral},
    {"already connected", Cause::AlreadyConnected, "", 0, "", kGeneral},
};

TEST(LogonFailureTextTest, EachCauseHasItsWords) {
    for (const FailureCase& row : kCases) {
        SCOPED_TRACE(row.name);
        LogonResult result;
        result.cause = row.cause;
        result.host = "ftp.example.test";
        if (*row.address != '\0') {
            ASSERT_TRUE(net::SocketAddress::FromText(row.address, result.address));
            result.address.SetPort(2121);
        }
        if (row.cause == Cause::ConnectionRefused || row.cause == Cause::ConnectionFailed) {
            result.socketError = row.code;
        } else {
            result.replyCode = row.code;
        }
        result.replyText = row.replyText;
        EXPECT_EQ(LogonFailureText(result, 45), row.expected);
    }
}

}  // namespace
