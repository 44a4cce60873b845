// One-command operations on the server: directories, delete, rename,
// permissions and quit.
#include "ftp/remote_operations.h"

#include <cctype>

#include "ftp/modification_time.h"

namespace {

Error Unsent() { return Error(Error::Category::NotSent, "Not sent"); }

}  // namespace

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
Result<void> RemoteOperations::CommandWithFallback(const char* verb, const char* fallbackVerb,
                                                   const std::string& argument) {
    if (control.RefuseUnsendable(argument)) return Unsent();
    const ReplyClass first = control.Command("%s %s", verb, argument.c_str());
    if (first != kPermanent) return Concluded(first);
    return Concluded(
        control.Command("%s %s", control.ReplyCode() == 500 ? fallbackVerb : verb, argument.c_str()));
}

Result<void> RemoteOperations::Concluded(ReplyClass replied, ReplyClass wanted) const {
    if (replied == wanted) return {};
    if (replied == kNotSent) return Unsent();
    Error::Category category = Error::Category::Reply;
    if (control.StopRequested()) {
        category = Error::Category::Cancelled;
    } else if (replied == kNoReply || replied == kAborted) {
        category = Error::Category::Connection;
    } else if (replied != kTransient && replied != kPermanent) {
        category = Error::Category::Protocol;  // an answer of the wrong kind, such as 250 to RNFR
    }
    return Error(category, control.ReplyText(), control.ReplyCode());
}

ReplyClass ReplyClassOf(const Result<void>& result, ReplyClass unsent) {
    if (result) return kComplete;
    if (result.Failure().category == Error::Category::NotSent) return unsent;
    return ReplyClassOf(result.Failure().replyCode);
}

Result<void> RemoteOperations::ChangeDir(const std::string& path) {
    return CommandWithFallback("CWD", "XCWD", path);
}

Result<void> RemoteOperations::ChangeToRoot() { return ChangeDir("/"); }

Result<void> RemoteOperations::MakeDir(const std::string& name) {
    return CommandWithFallback("MKD", "XMKD", name);
}

Result<void> RemoteOperations::RemoveDir(const std::string& name) {
    return CommandWithFallback("RMD", "XRMD", name);
}

Result<void> RemoteOperations::DeleteFile(const std::string& name) {
    if (control.RefuseUnsendable(name)) return Unsent();
    return Concluded(control.Command("DELE %s", name.c_str()));
}

Result<void> RemoteOperations::Rename(const std::string& oldName, const std::string& newName) {
    if (control.RefuseUnsendable(oldName) || control.RefuseUnsendable(newName)) return Unsent();
    if (Result<void> from = Concluded(control.Command("RNFR %s", oldName.c_str()), kContinue); !from)
        return from;
    return Concluded(control.Command("RNTO %s", newName.c_str()));
}

Result<void> RemoteOperations::SetPermissions(const std::string& modeText, const std::string& name) {
    if (control.RefuseUnsendable(modeText) || control.RefuseUnsendable(name)) return Unsent();
    return Concluded(control.Command("SITE CHMOD %s %s", modeText.c_str(), name.c_str()));
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
