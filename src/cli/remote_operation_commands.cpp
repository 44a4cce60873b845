// cd, mkdir, rmdir, rm, rename, chmod and quote: one server command each.
#include "cli/cli_command.h"
#include "ftp/ftp_session.h"

namespace {

std::string NoCheck(const std::vector<std::string>&) { return {}; }

// The permissions dialog builds three octal digits; a leading fourth digit
// (set-id and sticky bits) is accepted as servers take it too.
std::string CheckMode(const std::vector<std::string>& args) {
    const std::string& mode = args[0];
    if (mode.size() < 3 || mode.size() > 4 || mode.find_first_not_of("01234567") != std::string::npos) {
        return "chmod takes an octal MODE such as 644, not \"" + mode + "\"";
    }
    return {};
}

bool ChangeDirectory(CliContext& context, const std::vector<std::string>& args) {
    return context.session.ChangeDir(args[0]) == kComplete;
}

bool MakeDirectory(CliContext& context, const std::vector<std::string>& args) {
    return context.session.MakeDir(args[0]) == kComplete;
}

bool RemoveDirectory(CliContext& context, const std::vector<std::string>& args) {
    return context.session.RemoveDir(args[0]) == kComplete;
}

bool DeleteFile(CliContext& context, const std::vector<std::string>& args) {
    return context.session.DeleteFile(args[0]) == kComplete;
}

bool RenameEntry(CliContext& context, const std::vector<std::string>& args) {
    return context.session.Rename(args[0], args[1]);
}

bool ChangeMode(CliContext& context, const std::vector<std::string>& args) {
    return context.session.SetPermissions(args[0], args[1]) == kComplete;
}

// Sends a raw line; any positive answer (1xx to 3xx) counts as success.
bool QuoteLine(CliContext& context, const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& word : args) line += (line.empty() ? "" : " ") + word;
    const ReplyClass replyClass = context.session.Control().SendCommand(line);
    return replyClass >= kPreliminary && replyClass <= kContinue;
}

}  // namespace

std::vector<CliCommand> RemoteOperationCommands() {
    return {
        {"cd", 1, 1, "cd DIR", NoCheck, ChangeDirectory},
        {"mkdir", 1, 1, "mkdir NAME", NoCheck, MakeDirectory},
        {"rmdir", 1, 1, "rmdir NAME", NoCheck, RemoveDirectory},
        {"rm", 1, 1, "rm NAME", NoCheck, DeleteFile},
        {"rename", 2, 2, "rename OLD NEW", NoCheck, RenameEntry},
        {"chmod", 2, 2, "chmod MODE NAME", CheckMode, ChangeMode},
        {"quote", 1, CliCommand::kAnyCount, "quote LINE", NoCheck, QuoteLine},
    };
}
