#include "cli/cli_runner.h"

#include <unistd.h>

#include "cli/cli_settings.h"
#include "cli/command_words.h"
#include "cli/log_pump.h"
#include "platform/net/host_port.h"

CliRunner::CliRunner(std::ostream& out, std::ostream& err) : out(out), err(err) {}

void CliRunner::Cancel() {
    cancelled.store(true);
    // The stop comes before the waiter's cancel: the cancel sequence that the
    // waiter starts clears the stop, and a stop requested after that would
    // leave the session silenced with its sockets open. It also wakes a short
    // command that the main thread itself is waiting on.
    session.RequestStop();
    waiter.Cancel();
}

int CliRunner::UsageError(const std::string& message) {
    err << "quillmoor-cli: " << message << '\n';
    return kUsageError;
}

int CliRunner::Run(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(arguments, options, error)) return UsageError(error);
    if (options.help) {
        out << CliUsage() << '\n' << CliCommandHelp();
        return kSuccess;
    }
    std::vector<PlannedCommand> plan;
    if (!PlanCommands(options.commands, plan, error)) return UsageError(error);
    const CliSettings settings = LoadCliSettings(CliSettingsPath());
    std::string remoteDir;
    if (!PrepareSession(options, settings, remoteDir, error)) return UsageError(error);

    int result = kSuccess;
    {
        LogPump pump(log, err);
        result = Connect();
        if (result == kSuccess && !remoteDir.empty()) {
            const std::vector<std::string> changeTo{remoteDir};
            plan.insert(plan.begin(), PlannedCommand{FindCliCommand("cd"), changeTo});
        }
        if (result == kSuccess) result = RunCommands(plan, settings);
    }
    if (cancelled.load()) err << "quillmoor-cli: cancelled\n";
    return result;
}

// Every command is checked before anything connects, so a typing error never
// leaves half of a run done.
bool CliRunner::PlanCommands(const std::vector<std::string>& texts, std::vector<PlannedCommand>& plan,
                             std::string& error) {
    for (const std::string& text : texts) {
        std::vector<std::string> words;
        if (!SplitCommandWords(text, words, error)) return false;
        if (words.empty()) {
            error = "empty command";
            return false;
        }
        const CliCommand* command = FindCliCommand(words[0]);
        if (command == nullptr) {
            error = "unknown command \"" + words[0] + "\" (see --help)";
            return false;
        }
        words.erase(words.begin());
        if (words.size() < command->minArgs || words.size() > command->maxArgs) {
            error = std::string("usage: ") + command->usage;
            return false;
        }
        error = command->check(words);
        if (!error.empty()) return false;
        plan.push_back({command, std::move(words)});
    }
    return true;
}

bool CliRunner::PrepareSession(const CliOptions& options, const CliSettings& settings, std::string& remoteDir,
                               std::string& error) {
    std::string host = options.host;
    std::string user = options.user.value_or("anonymous");
    std::string password = options.password.value_or("");
    std::optional<DataMode> siteDataMode;
    if (host[0] == '@') {
        if (!siteLookup) {
            error = "no site catalogue is available for " + host;
            return false;
        }
        CliSite site;
        if (!siteLookup(host.substr(1), site, error)) return false;
        host = site.host;
        if (!options.user) user = site.user;
        if (!options.password) password = site.password;
        remoteDir = site.remoteDir;
        siteDataMode = site.dataMode;
    }
    // The anonymous rule of the desktop program: no password means the e-mail address.
    if (user == "anonymous" && password.empty()) {
        password = options.email.value_or(settings.email);
        if (password.empty()) {
            error = "anonymous log-in needs an e-mail address: give --email or set e-mail in the options";
            return false;
        }
    }
    session.host = host;
    session.user = user;
    session.password = password;
    session.timeoutSeconds = options.timeoutSeconds.value_or(settings.timeoutSeconds);
    session.configuredMode = options.mode.value_or(settings.transferMode);
    // The command line's choice, else the site's, else the program default
    // (passive unless set otherwise: it works behind NAT and firewalls).
    const DataMode programDefault = settings.passiveMode ? DataMode::Passive : DataMode::Active;
    session.dataMode = options.dataMode.value_or(siteDataMode.value_or(programDefault));
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) session.downloadDir = std::string(cwd) + "/";

    if (options.firewallMode) {
        std::string proxyHost;
        int proxyPort = 0;
        net::SplitHostPort(options.proxy, proxyHost, proxyPort);
        session.SetFirewall(1, *options.firewallMode, proxyPort, proxyHost, options.proxyUser,
                            options.proxyPassword);
    } else {
        session.SetFirewall(0, 0, 0, "", "", "");
    }
    session.SetUi(&waiter);
    return true;
}

int CliRunner::Connect() {
    session.StartConnectWorker();
    const EngineUi::WaitResult waited =
        waiter.WaitForWorker(EngineUi::WaitKind::Connecting, "Connecting to " + session.host, status);
    if (waited == EngineUi::WaitResult::Cancelled || cancelled.load()) return CancelRun();
    session.JoinWorker();
    return session.connected ? kSuccess : kFailure;
}

int CliRunner::RunCommands(const std::vector<PlannedCommand>& plan, const CliSettings& settings) {
    CliContext context{session, waiter, out, settings};
    int result = kSuccess;
    for (const PlannedCommand& step : plan) {
        const bool succeeded = step.command->run(context, step.args);
        if (cancelled.load()) return CancelRun();
        if (!succeeded) {
            result = kFailure;
            break;
        }
    }
    // "quit" ends every run that logged in, also after a failed command.
    if (session.controlSocket.IsOpen()) session.Quit();
    out.flush();
    if (cancelled.load()) return CancelRun();  // Ctrl-C during the quit itself
    return result;
}

// The cancel sequence of a progress dialog: stop the worker (if one runs),
// close every socket, leave the session disconnected.
int CliRunner::CancelRun() {
    session.CancelWorker(false);
    session.busyCount = 0;
    status.stopWalk = 1;
    return kFailure;
}
