#pragma once

#include <string>

#include "ftp/control_channel.h"
#include "ftp/reply_class.h"

// The one-command operations on the server: change, make and remove
// directories, delete, rename, change permissions, and quit. Every argument
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
    // Says goodbye and ends the connection.
    ReplyClass Quit();

private:
    ReplyClass CommandWithFallback(const char* verb, const char* fallbackVerb, const std::string& argument);

    ControlChannel& control;
};
