// The engine's error shape and the one place transfer commands are written.
#include "ftp/result.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "ftp/remote_operations.h"
#include "ftp/transfer_request.h"

namespace {

using Direction = TransferRequest::Direction;

TEST(TransferCommandText, OneLinePerKindOfTransfer) {
    TransferRequest appended = TransferRequest::ForFile(Direction::Upload, "up.bin", "/tmp/up.bin", 'I');
    appended.append = true;
    const struct {
        TransferRequest request;
        const char* command;
    } rows[] = {
        {TransferRequest::ForFile(Direction::Download, "a b.txt", "/tmp/a", 'A'), "RETR a b.txt"},
        {TransferRequest::ForFile(Direction::Download, " lead.txt ", "/tmp/l", 'I'), "RETR  lead.txt "},
        {TransferRequest::ForFile(Direction::Upload, "up.bin", "/tmp/up.bin", 'L'), "STOR up.bin"},
        {appended, "APPE up.bin"},
        {TransferRequest::Listing("MLSD"), "MLSD"},
    };
    for (const auto& row : rows) EXPECT_EQ(TransferCommandText(row.request), row.command);
    EXPECT_EQ(TransferRequest::Listing("LIST").type, 'A') << "listings are read as text";
}

// A failed local step names what failed and the system's words for it.
TEST(Result, SystemErrorsSayWhatFailed) {
    const Error missing = Error::FromSystem("open /x", ENOENT);
    EXPECT_EQ(missing.category, Error::Category::Local);
    EXPECT_EQ(missing.systemError, ENOENT);
    EXPECT_EQ(missing.message, "Could not open /x: No such file or directory");
}

// The reply classes the session's wrappers give their callers: a lost connection's
// 421 must read as transient, and nothing sent as the call's own class.
TEST(Result, ReplyClassOfAnOperation) {
    EXPECT_EQ(ReplyClassOf(Result<void>()), kComplete);
    EXPECT_EQ(ReplyClassOf(Error(Error::Category::Connection, "", 421)), kTransient);
    EXPECT_EQ(ReplyClassOf(Error(Error::Category::Connection, "")), kNoReply);
    EXPECT_EQ(ReplyClassOf(Error(Error::Category::NotSent, "")), kNoReply);
    EXPECT_EQ(ReplyClassOf(Error(Error::Category::NotSent, ""), kNotSent), kNotSent);
}

}  // namespace
