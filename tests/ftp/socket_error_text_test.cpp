#include "ftp/socket_error_text.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/net/socket_error_codes.h"
#include "support/session_harness.h"

namespace {

TEST(SocketErrorText, TableCodesGiveTheirTexts) {
    const struct {
        int code;
        const char* text;
    } rows[] = {
        {10004, "Cancelled."},
        {10054, "The connection was reset."},
        {11001, "That host was not found"},
        {11004, "Valid name, no data record for type"},
    };
    for (const auto& row : rows) EXPECT_EQ(SocketErrorText(row.code), row.text) << row.code;
}

TEST(SocketErrorText, CodesOutsideTheTableUseTheSystemTextOrTheNumber) {
    // 10052 and 10058 have no table row but came from errno values the system knows.
    EXPECT_EQ(SocketErrorText(10052), std::string(strerror(ENETRESET)));
    EXPECT_EQ(SocketErrorText(10058), std::string(strerror(ESHUTDOWN)));
    EXPECT_EQ(SocketErrorText(123456), "error 123456");
    EXPECT_EQ(SocketErrorText(10999), "error 10999");
}

TEST(SocketErrorCodes, ErrnoMapsOntoTheSocketNumbersOfTheAbortRule) {
    const struct {
        int errnoValue;
        int code;
        bool connectionLevel;
    } rows[] = {
        {EINTR, 10004, true},       {EINVAL, 10022, true},        {ENOTSOCK, 10038, true},
        {ENETDOWN, 10050, true},    {ENETRESET, 10052, true},     {ECONNABORTED, 10053, true},
        {ECONNRESET, 10054, true},  {ESHUTDOWN, 10058, true},     {EPIPE, 10058, true},
        {ETIMEDOUT, 10060, false},  {ECONNREFUSED, 10061, false}, {EHOSTUNREACH, 10065, false},
        {EADDRINUSE, 10048, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(net::SocketErrorFromErrno(row.errnoValue), row.code) << row.errnoValue;
        EXPECT_EQ(net::IsConnectionLevelError(row.code), row.connectionLevel) << row.code;
    }
    EXPECT_EQ(net::ErrnoFromSocketError(10054), ECONNRESET);
    EXPECT_EQ(net::SocketErrorFromErrno(ENOENT), ENOENT);  // no socket counterpart: unchanged
}

TEST(LogSocketError, PrefixColonBlankText) {
    testsupport::SessionHarness harness;
    harness.session.Control().LogSocketError("Recv", 10054);
    harness.session.Control().LogSocketError(nullptr, 10061);
    ASSERT_EQ(harness.Lines().size(), 2u);
    EXPECT_EQ(harness.lines[0], "Recv: The connection was reset.");
    EXPECT_EQ(harness.lines[1], "Connection refused") << "the system's words, no hint about log-in names";
}

}  // namespace
