#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_certificate_question.h"
#include "cli/cli_command.h"
#include "cli/cli_options.h"
#include "ftp/ftp_session.h"
#include "cli/cli_progress.h"
#include "ftp/own_thread_reports.h"

// A site of the catalogue, as the front end needs it for "@NAME".
struct CliSite {
    std::string host;
    std::string user;
    std::string password;
    std::string remoteDir;  // changed to after log-in when not empty
    std::optional<DataMode> dataMode;  // the site's own choice; unset: the program default
    tls::Encryption encryption = tls::kDefaultEncryption;
    std::string tlsFingerprint;  // the certificate the site trusts; empty: none
};

// Looks a catalogue site up by name; false with error set when there is none.
using CliSiteLookup = std::function<bool(const std::string& name, CliSite& site, std::string& error)>;

// The command-line front end: parses the arguments, logs in on the connect
// worker as the desktop program does, runs the commands in order, stops at
// the first failure and ends with "quit". Exit codes: 0 success, 1 a failed
// log-in or command (or Cancel), 2 a usage error.
class CliRunner {
public:
    static constexpr int kSuccess = 0;
    static constexpr int kFailure = 1;
    static constexpr int kUsageError = 2;

    CliRunner(std::ostream& out, std::ostream& err);

    // Without a lookup, "@NAME" hosts are a usage error.
    void SetSiteLookup(CliSiteLookup lookup) { siteLookup = std::move(lookup); }

    int Run(const std::vector<std::string>& arguments);

    // Cancels like a progress dialog's Cancel. Async-signal-safe (SIGINT).
    void Cancel();

private:
    struct PlannedCommand {
        const CliCommand* command;
        std::vector<std::string> args;
    };

    int UsageError(const std::string& message);
    bool PlanCommands(const std::vector<std::string>& texts, std::vector<PlannedCommand>& plan,
                      std::string& error);
    bool PrepareSession(const CliOptions& options, const CliSettings& settings, std::string& remoteDir,
                        std::string& error);
    void WarnOfPlainLogin();
    int Connect();
    int RunCommands(const std::vector<PlannedCommand>& plan, const CliSettings& settings);
    int CancelRun();

    std::ostream& out;
    std::ostream& err;
    CliSiteLookup siteLookup;
    LogQueue log;
    TransferStatus status;
    FtpSession session{log, status};
    CliProgress progress;
    // The session runs on this thread: its reports go straight to the
    // progress line (the log has a thread of its own).
    OwnThreadReports reports{status, [this](std::int64_t done, std::int64_t total) { progress.Report(done, total); }};
    // The certificate question is answered on the connect worker; what it
    // prints waits here and follows the log once the connect has ended.
    std::ostringstream certificateNotes;
    std::unique_ptr<CliCertificateQuestion> certificateQuestion;
    std::atomic<bool> cancelled{false};
    int retries = 0;  // from --retries
};
