#include "cli/cli_runner.h"

#include <unistd.h>

#include "cli/cli_settings.h"
#include "cli/command_words.h"
#include "cli/log_pump.h"
#include "platform/net/host_port.h"

CliRunner::CliRunner(std::ostream& out, std::ostream& err) : out(out), err(err) {}

void CliRunner::Cancel() {
    cancelled.store(true);
    // Wakes whatever exchange or transfer the main thread is in.
    session.Control().RequestStop();
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
        err << certificateNotes.str();
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
    SiteLogin login;
    login.host = options.host;
    login.user = options.user.value_or("anonymous");
    login.password = options.password.value_or("");
    if (login.host[0] == '@') {
        if (!siteLookup) {
            error = "no site catalogue is available for " + login.host;
            return false;
        }
        CliSite site;
        if (!siteLookup(login.host.substr(1), site, error)) return false;
        login.host = site.host;
        if (!options.user) login.user = site.user;
        if (!options.password) login.password = site.password;
        remoteDir = site.remoteDir;
        login.dataMode = site.dataMode;
        login.encryption = site.encryption;
        login.trustedFingerprint = site.tlsFingerprint;
    }
    const bool siteRequiresTls = (login.encryption != tls::Encryption::ExplicitIfAvailable &&
                                  login.encryption != tls::Encryption::Plain) ||
                                 !login.trustedFingerprint.empty();
    if (options.encryption) login.encryption = *options.encryption;
    if (siteRequiresTls && login.encryption == tls::Encryption::Plain) WarnOfPlainLogin();
    // The command line's choice wins over the site's; without either the
    // program default applies (passive unless set otherwise).
    if (options.dataMode) login.dataMode = options.dataMode;
    ConnectionDefaults defaults;
    defaults.caFile = options.caFile.value_or("");
    defaults.email = options.email.value_or(settings.email);
    defaults.transferMode = options.mode.value_or(settings.transferMode);
    defaults.passive = settings.passiveMode;
    defaults.timeoutSeconds = options.timeoutSeconds.value_or(settings.timeoutSeconds);
    defaults.keepModificationTimes = options.keepModificationTimes && settings.keepModificationTimes;
    defaults.listingLimits = settings.listingLimits;
    retries = options.retries;
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) defaults.downloadDir = std::string(cwd) + "/";
    if (options.firewallMode) {
        defaults.firewall.on = true;
        defaults.firewall.mode = *options.firewallMode;
        net::SplitHostPort(options.proxy, defaults.firewall.host, defaults.firewall.port);
        defaults.firewall.user = options.proxyUser;
        defaults.firewall.password = options.proxyPassword;
    }
    ConnectionSettings connection;
    if (MakeConnectionSettings(login, defaults, connection) == SettingsOutcome::AnonymousWithoutEmail) {
        error = "anonymous log-in needs an e-mail address: give --email or set e-mail in the options";
        return false;
    }
    connection.verifyTransfers = options.verify;
    session.Configure(connection);
    session.SetUi(&reports);
    session.RunOnCallingThread(true);
    certificateQuestion = std::make_unique<CliCertificateQuestion>(options.trust, certificateNotes);
    session.SetCertificateQuestion(certificateQuestion.get());
    return true;
}

// --tls off overrides a site that is stored as requiring TLS (or that has
// a pinned certificate): allowed, as the user asked, but never silently.
void CliRunner::WarnOfPlainLogin() {
    const std::string warning =
        "--tls off: the site is stored as requiring FTP over TLS, but this connection is made without "
        "it; the password will travel readable.";
    err << "quillmoor-cli: warning: " << warning << '\n';
    log.Append(warning);
}

int CliRunner::Connect() {
    const LogonResult logon = session.Logon();
    if (cancelled.load()) return CancelRun();
    return logon.Connected() ? kSuccess : kFailure;
}

int CliRunner::RunCommands(const std::vector<PlannedCommand>& plan, const CliSettings& settings) {
    CliContext context{session, progress, out, settings, retries};
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
    if (session.Control().IsOpen()) session.Quit();
    out.flush();
    if (cancelled.load()) return CancelRun();  // Ctrl-C during the quit itself
    return result;
}

// The one cancel sequence: the stop has ended what ran; every socket is
// closed and the session left disconnected.
int CliRunner::CancelRun() {
    session.CancelWorker();
    return kFailure;
}
