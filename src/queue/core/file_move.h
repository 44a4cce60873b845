#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ftp/ftp_session.h"
#include "ftp/transfer_outcome.h"
#include "ftp/transfer_retry.h"
#include "queue/core/target_decision.h"
#include "queue/core/target_questions.h"
#include "queue/core/transfer_job.h"

// Moves one file of a queue job over a logged-in session: enters the remote
// directory, settles the job's choice about a target that exists, runs the
// transfer (tried again after transient failures) and says how it ended.
class FileMove {
public:
    struct Result {
        JobState state = JobState::Done;
        std::string text;  // the reason of a failure, or a note (a skip)
    };

    FileMove(FtpSession& session, const RetryPolicy& retryPolicy)
        : session(session), retryPolicy(retryPolicy) {}

    // Told before each further attempt at a file, with the reason.
    void SetRetryNotice(TransferRetry::RetryNotice notice) { retryNotice = std::move(notice); }
    // Asks the user about a target found there by a file without a choice;
    // none: the job stops. Unset, such a target is skipped.
    using Asker = std::function<std::optional<TargetAnswer>(const TargetQuestion&)>;
    void SetAsker(Asker newAsker) { asker = std::move(newAsker); }
    // How a retry logs in again after a lost connection (the session's Logon
    // unless set): the owner sets it to hear how each such log-in ended.
    using LogIn = std::function<LogonResult(FtpSession&)>;
    void SetLogIn(LogIn newLogIn) { logIn = std::move(newLogIn); }
    // A new job starts: an answer "for all" of the last one no longer holds.
    void BeginJob() { standingChoice.reset(); }

    // How a file starts: afresh (the job's choice settles an existing
    // target), continuing what an earlier run of its job left without asking
    // (a download its kept partial file, an upload the remote file), or, for
    // a file of a directory job that runs again, continuing what looks like
    // that run's work and asking the choice otherwise (DecideContinuation).
    enum class Start { Fresh, Continue, AfterPause };

    // Afterwards file says where the file went (a free name beside an
    // existing target) and what a later run does about its target: once
    // settled, the choice is overwrite or resume.
    Result Run(TransferJob& file, Start start);

private:
    Result Settle(TransferJob& file, std::string& remoteName, bool afterPause, bool& resume, bool& skipped);
    std::optional<Result> Choose(TransferJob& file, const FileFacts& source, const FileFacts& target);
    FileFacts RemoteFacts(const std::string& name);
    Result Conclude(const TransferOutcome& outcome) const;
    std::string ReplyFailure(const std::string& fallback) const;

    FtpSession& session;
    const RetryPolicy& retryPolicy;
    TransferRetry::RetryNotice retryNotice;
    Asker asker;
    LogIn logIn = [](FtpSession& s) { return s.Logon(); };
    std::optional<ExistingFileChoice> standingChoice;  // answered "for all" in this job
};

// A server's text as the queue shows it: bounded, and without the control
// characters a hostile server could put there.
std::string ShownText(const std::string& text);
