#pragma once

#include <cstdint>
#include <string>

#include "ftp/control_channel.h"
#include "ftp/reply_class.h"

// The size in a "213 <size>" reply to SIZE, or -1.
std::int64_t SizeFromSizeReply(const std::string& text);

// The one-command operations on the server: change, make and remove
// directories, delete, rename, change permissions, a file's size and
// modification time, and quit. Every argument
// that could not be sent safely is refused before a command is composed.
class RemoteOperations {
public:
    explicit RemoteOperations(ControlChannel& control) : control(control) {}

    ReplyClass ChangeDir(const std::string& path);
    ReplyClass ChangeToRoot();
    ReplyClass MakeDir(const std::string& name);
    ReplyClass RemoveDir(const std::string& name);
    ReplyClass DeleteFile(const std::string& name);
    bool Rename(const std::string& oldName, const std::string& newName);
    ReplyClass SetPermissions(const std::string& modeText, const std::string& name);
    // The size of a remote file in bytes (asked in binary type, as servers
    // refuse SIZE in ASCII), or -1 when the server gives none.
    std::int64_t FileSize(const std::string& name);
    // MFMT: gives a remote file a modification time (seconds since 1970, UTC).
    ReplyClass SetModificationTime(const std::string& name, std::int64_t seconds);
    // Says goodbye and ends the connection.
    ReplyClass Quit();

private:
    ReplyClass CommandWithFallback(const char* verb, const char* fallbackVerb, const std::string& argument);

    ControlChannel& control;
};
