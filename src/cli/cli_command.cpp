#include "cli/cli_command.h"

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = [] {
        std::vector<CliCommand> all;
        // Each file of commands contributes one table; the transfer commands
        // (ls, get, put, getdir, putdir) join here with theirs.
        for (auto table : {RemoteOperationCommands, TransferCommands}) {
            for (const CliCommand& command : table()) all.push_back(command);
        }
        return all;
    }();
    return commands;
}

const CliCommand* FindCliCommand(const std::string& name) {
    for (const CliCommand& command : CliCommands()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

std::string CliCommandHelp() {
    std::string text = "Commands:\n";
    for (const CliCommand& command : CliCommands()) text += std::string("  ") + command.usage + "\n";
    return text;
}
