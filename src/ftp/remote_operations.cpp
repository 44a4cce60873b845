// One-command operations on the server: directories, delete, rename,
// permissions and quit.
#include <sys/socket.h>

#include "ftp/ftp_session.h"

// Arguments travel through Command() as C strings, where a NUL would silently
// shorten a name into another one; such arguments, like line breaks, are
// refused before anything is composed.
bool FtpSession::RefuseUnsendable(const std::string& argument) {
    const char* reason = RefusalReason(argument);
    if (reason == nullptr) return false;
    replyCode = 0;
    LogF("%s", reason);
    return true;
}

// Old servers know only the X forms of CWD, MKD and RMD and answer the plain
// form with 500; any other permanent refusal is tried once more unchanged.
ReplyClass FtpSession::CommandWithFallback(const char* verb, const char* fallbackVerb,
                                          const std::string& argument) {
    if (RefuseUnsendable(argument)) return kNoReply;
    if (Command("%s %s", verb, argument.c_str()) != kPermanent) return ReplyClassOf(replyCode);
    Command("%s %s", replyCode == 500 ? fallbackVerb : verb, argument.c_str());
    return ReplyClassOf(replyCode);
}

ReplyClass FtpSession::ChangeDir(const std::string& path) { return CommandWithFallback("CWD", "XCWD", path); }

ReplyClass FtpSession::ChangeToRoot() { return ChangeDir("/"); }

ReplyClass FtpSession::MakeDir(const std::string& name) { return CommandWithFallback("MKD", "XMKD", name); }

ReplyClass FtpSession::RemoveDir(const std::string& name) { return CommandWithFallback("RMD", "XRMD", name); }

ReplyClass FtpSession::DeleteFile(const std::string& name) {
    if (RefuseUnsendable(name)) return kNoReply;
    Command("DELE %s", name.c_str());
    return ReplyClassOf(replyCode);
}

bool FtpSession::Rename(const std::string& oldName, const std::string& newName) {
    if (RefuseUnsendable(oldName) || RefuseUnsendable(newName)) return false;
    if (Command("RNFR %s", oldName.c_str()) != kContinue) return false;
    return Command("RNTO %s", newName.c_str()) == kComplete;
}

ReplyClass FtpSession::SetPermissions(const std::string& modeText, const std::string& name) {
    if (RefuseUnsendable(modeText) || RefuseUnsendable(name)) return kNotSent;
    return Command("SITE CHMOD %s %s", modeText.c_str(), name.c_str());
}

ReplyClass FtpSession::Quit() {
    if (!controlSocket.IsOpen()) return kNotSent;
    const ReplyClass replyClass = Command("quit");
    shutdown(controlSocket.Fd(), SHUT_RDWR);
    connected = 0;
    // With no other exchange running the socket is closed at once; otherwise
    // the shutdown has woken that exchange, and CloseAll or the next Logon
    // closes the socket once nobody waits on it.
    if (busyCount == 0) CloseSocket(controlSocket);
    return replyClass;
}
