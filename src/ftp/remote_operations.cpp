// One-command operations on the server: directories, delete, rename,
// permissions and quit.
#include "ftp/remote_operations.h"

#include <cctype>

#include "ftp/modification_time.h"

std::int64_t SizeFromSizeReply(const std::string& text) {
    std::size_t begin = 3;
    while (begin < text.size() && text[begin] == ' ') ++begin;
    std::size_t end = begin;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (begin == end || end - begin > 18) return -1;
    return std::stoll(text.substr(begin, end - begin));
}

// Old servers know only the X forms of CWD, MKD and RMD and answer the plain
// form with 500; any other permanent refusal is tried once more unchanged.
ReplyClass RemoteOperations::CommandWithFallback(const char* verb, const char* fallbackVerb,
                                                 const std::string& argument) {
    if (control.RefuseUnsendable(argument)) return kNoReply;
    if (control.Command("%s %s", verb, argument.c_str()) != kPermanent)
        return ReplyClassOf(control.ReplyCode());
    control.Command("%s %s", control.ReplyCode() == 500 ? fallbackVerb : verb, argument.c_str());
    return ReplyClassOf(control.ReplyCode());
}

ReplyClass RemoteOperations::ChangeDir(const std::string& path) {
    return CommandWithFallback("CWD", "XCWD", path);
}

ReplyClass RemoteOperations::ChangeToRoot() { return ChangeDir("/"); }

ReplyClass RemoteOperations::MakeDir(const std::string& name) {
    return CommandWithFallback("MKD", "XMKD", name);
}

ReplyClass RemoteOperations::RemoveDir(const std::string& name) {
    return CommandWithFallback("RMD", "XRMD", name);
}

ReplyClass RemoteOperations::DeleteFile(const std::string& name) {
    if (control.RefuseUnsendable(name)) return kNoReply;
    control.Command("DELE %s", name.c_str());
    return ReplyClassOf(control.ReplyCode());
}

bool RemoteOperations::Rename(const std::string& oldName, const std::string& newName) {
    if (control.RefuseUnsendable(oldName) || control.RefuseUnsendable(newName)) return false;
    if (control.Command("RNFR %s", oldName.c_str()) != kContinue) return false;
    return control.Command("RNTO %s", newName.c_str()) == kComplete;
}

ReplyClass RemoteOperations::SetPermissions(const std::string& modeText, const std::string& name) {
    if (control.RefuseUnsendable(modeText) || control.RefuseUnsendable(name)) return kNotSent;
    return control.Command("SITE CHMOD %s %s", modeText.c_str(), name.c_str());
}

std::int64_t RemoteOperations::FileSize(const std::string& name) {
    if (control.RefuseUnsendable(name)) return -1;
    if (control.Command("TYPE I") != kComplete) return -1;
    if (control.SendCommand("SIZE " + name) != kComplete || control.ReplyCode() != 213) return -1;
    return SizeFromSizeReply(control.ReplyText());
}

ReplyClass RemoteOperations::SetModificationTime(const std::string& name, std::int64_t seconds) {
    const std::string time = ServerTimeText(seconds);
    if (time.empty() || control.RefuseUnsendable(name)) return kNotSent;
    return control.SendCommand("MFMT " + time + " " + name);
}

ReplyClass RemoteOperations::Quit() {
    if (!control.IsOpen()) return kNotSent;
    const ReplyClass replyClass = control.Command("quit");
    control.Shutdown();
    control.MarkDisconnected();
    // With no other exchange running the socket is closed at once; otherwise
    // the shutdown has woken that exchange, and CloseAll or the next Logon
    // closes the socket once nobody waits on it.
    if (!control.Busy()) control.Close();
    return replyClass;
}
