#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_settings.h"

class FtpSession;
class CliProgress;

// What a command runs against: the logged-in session, where its progress line
// is shown, and stdout for results (ls entries).
struct CliContext {
    FtpSession& session;
    CliProgress& progress;
    std::ostream& out;
    const CliSettings& settings;
    int retries = 0;  // how often get and put try again after a transient failure
};

// One command of the front end. args are the words after the command name.
struct CliCommand {
    const char* name;
    std::size_t minArgs;
    std::size_t maxArgs;  // kAnyCount: no upper limit
    const char* usage;    // e.g. "rename OLD NEW"
    // Checks the words before anything connects; returns an error text or "".
    std::string (*check)(const std::vector<std::string>& args);
    // Runs the command; true when it succeeded.
    bool (*run)(CliContext& context, const std::vector<std::string>& args);

    static constexpr std::size_t kAnyCount = static_cast<std::size_t>(-1);
};

// Every command the front end knows, in the order --help lists them.
const std::vector<CliCommand>& CliCommands();
const CliCommand* FindCliCommand(const std::string& name);
// One line per command for --help.
std::string CliCommandHelp();

// The tables that make up CliCommands(), one per source file.
std::vector<CliCommand> RemoteOperationCommands();
std::vector<CliCommand> TransferCommands();
