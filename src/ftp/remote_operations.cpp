// One-command operations on the server: directories, delete, rename,
// permissions and quit.
#include "ftp/remote_operations.h"

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
