#pragma once

#include <cstdint>
#include <string>

#include "ftp/control_channel.h"
#include "ftp/reply_class.h"
#include "ftp/result.h"

// The size in a "213 <size>" reply to SIZE, or -1.
std::int64_t SizeFromSizeReply(const std::string& text);

// The one-command operations on the server: change, make and remove
// directories, delete, rename, change permissions, a file's size and
// modification time, and quit. Every argument that could not be sent safely
// is refused before a command is composed. The operations that change the
// server return the Error of a refusal: the reply's code and text, a
// connection that broke off, or why nothing was sent.
class RemoteOperations {
public:
    explicit RemoteOperations(ControlChannel& control) : control(control) {}

    Result<void> ChangeDir(const std::string& path);
    Result<void> ChangeToRoot();
    Result<void> MakeDir(const std::string& name);
    Result<void> RemoveDir(const std::string& name);
    Result<void> DeleteFile(const std::string& name);
    Result<void> Rename(const std::string& oldName, const std::string& newName);
    Result<void> SetPermissions(const std::string& modeText, const std::string& name);
    // The size of a remote file in bytes (asked in binary type, as servers
    // refuse SIZE in ASCII), or -1 when the server gives none.
    std::int64_t FileSize(const std::string& name);
    // MFMT: gives a remote file a modification time (seconds since 1970, UTC).
    ReplyClass SetModificationTime(const std::string& name, std::int64_t seconds);
    // Says goodbye and ends the connection.
    ReplyClass Quit();

private:
    Result<void> CommandWithFallback(const char* verb, const char* fallbackVerb, const std::string& argument);
    // How the exchange just made ended: Ok when the reply was of the class wanted.
    Result<void> Concluded(ReplyClass replied, ReplyClass wanted = kComplete) const;

    ControlChannel& control;
};

// The reply class of an operation's result, as callers that compare reply
// classes read it: kComplete, unsent when nothing was sent, or the class of
// the refusal's reply code (kNoReply when there was none, kTransient for an
// aborted reply, which reads as 421).
ReplyClass ReplyClassOf(const Result<void>& result, ReplyClass unsent = kNoReply);
