#include "queue/core/queue_worker.h"

#include <sys/stat.h>

#include <utility>

#include "queue/core/tree_expansion.h"

namespace {

std::int64_t LocalSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

std::string LogonFailure(const LogonResult& logon) {
    using Cause = LogonResult::Cause;
    static constexpr std::pair<Cause, const char*> kWhy[] = {
        {Cause::NoFirewallHost, "no firewall host"},
        {Cause::HostNotFound, "host not found"},
        {Cause::ConnectionRefused, "connection refused"},
        {Cause::TimedOut, "timed out"},
        {Cause::ConnectionFailed, "connection failed"},
        {Cause::Cancelled, "cancelled"},
        {Cause::BadWelcome, "refused by the server"},
        {Cause::ProxyRefused, "refused by the firewall"},
        {Cause::WrongCredentials, "log-in refused"},
        {Cause::NotSecured, "the connection could not be secured"},
    };
    // A refused or failed connection names the address and the system's words.
    const std::string connectText = ConnectFailureText(logon);
    if (!connectText.empty()) return connectText;
    std::string text = "Could not connect: the connection was lost";
    for (const auto& [cause, why] : kWhy) {
        if (cause == logon.cause) text = std::string("Could not connect: ") + why;
    }
    if (!logon.replyText.empty()) text += " (" + ShownText(logon.replyText) + ")";
    return text;
}

// A server that refused or dropped the connection, or said with a 421 that
// it closes it, is most likely restarting or briefly overloaded; a refused
// log-in, an unknown host or a connection that could not be secured will not
// change by waiting.
bool ServerMayComeBack(const LogonResult& logon) {
    using Cause = LogonResult::Cause;
    switch (logon.cause) {
        case Cause::ConnectionRefused:
        case Cause::ConnectionFailed:
            return true;
        case Cause::BadWelcome:
        case Cause::WrongCredentials:
            return logon.replyCode == 421;  // also a connection closed during the log-in
        default:
            return false;
    }
}

}  // namespace

QueueWorker::QueueWorker(TransferQueue& queue, const SettingsLookup& settingsFor, LogQueue& sharedLog,
                         TargetQuestions& questions, const RetryPolicy& retryPolicy,
                         const RetryPolicy& reconnectPolicy)
    : queue(queue),
      settingsFor(settingsFor),
      questions(questions),
      retryPolicy(retryPolicy),
      reconnectPolicy(reconnectPolicy),
      reports(
          status, [this](std::int64_t done, std::int64_t total) { ReportProgress(total < 0 ? 0 : total, done); },
          [this, &sharedLog] {
              for (const std::string& line : ownLog.TakeAll()) sharedLog.Append(line);
          }) {
    session.SetUi(&reports);
    session.RunOnCallingThread(true);
    mover.SetRetryNotice([this](int nextAttempt, const TransferOutcome& last) {
        this->queue.CountRetry(
            RunningJob(), "Attempt " + std::to_string(nextAttempt) + " after: " + ShownText(last.reason));
    });
    mover.SetLogIn([this](FtpSession& s) { return lastLogIn = s.Logon(); });
    mover.SetAsker([this](TargetQuestion question) {
        question.job = RunningJob();
        return this->questions.Ask(question, [this] { return stopFlag.load(); });
    });
}

QueueWorker::~QueueWorker() {
    Interrupt();
    session.CancelWorker();
    session.SetUi(nullptr);
    reports.LogLinesWaiting();
}

void QueueWorker::StopJob(std::uint64_t id) {
    {
        std::lock_guard<std::mutex> guard(stopLock);
        if (runningJob != id || id == 0 || stopAsked) return;
        stopAsked = true;
        stopFlag = true;
        // Wakes whatever exchange or transfer the job is in.
        session.Control().RequestStop();
    }
    // And a question to the user waiting for an answer (outside the stop
    // lock: the question's wait reads the flag under its own lock).
    questions.Withdraw(id);
}

void QueueWorker::Interrupt() {
    interrupted = true;
    StopJob(RunningJob());
}

void QueueWorker::Disconnect() {
    session.CloseAll();
    loggedInSite.clear();
}

bool QueueWorker::StopAsked() const {
    std::lock_guard<std::mutex> guard(stopLock);
    return stopAsked;
}

void QueueWorker::Run(const TransferJob& taken) {
    {
        std::lock_guard<std::mutex> guard(stopLock);
        runningJob = taken.id;
        stopAsked = false;
        stopFlag = false;
    }
    mover.BeginJob();
    TransferJob job = taken;
    Outcome outcome = interrupted ? Outcome{JobState::Queued, {}} : Execute(job);
    bool stopped;
    {
        std::lock_guard<std::mutex> guard(stopLock);
        stopped = stopAsked;
        runningJob = 0;
        stopAsked = false;
        stopFlag = false;
    }
    if (stopped) {
        // The cancel sequence clears the stop and leaves the session closed
        // (the next job logs in again); a cancel that arrived after the
        // wait it was meant for must not end the next job's first wait.
        session.CancelWorker();
        loggedInSite.clear();
    }
    // A runner that stops gives its unfinished jobs back; they continue
    // from what they transferred when it starts again.
    if (interrupted && outcome.state == JobState::Failed) outcome = Outcome{JobState::Queued, {}};
    queue.Finish(job.id, outcome.state, outcome.text);
}

QueueWorker::Outcome QueueWorker::Execute(TransferJob& job) {
    if (job.remotePath.empty() || job.remotePath.front() != '/' || job.localPath.empty()) {
        return {JobState::Failed, "Needs a local path and an absolute remote path"};
    }
    const bool reused = session.IsConnected() && loggedInSite == job.site;
    Outcome outcome = ConnectAndTransfer(job);
    if (reused && outcome.serverAway) {
        // A server that closed the connection while it idled between jobs
        // shows it only at the next job's first exchange: once more at
        // once, on a new connection.
        session.Control().LogF("The connection was lost; logging in again.");
        outcome = ConnectAndTransfer(job);
    }
    // A server that went away while the queue runs (restarted, overloaded)
    // is waited for, so that a short outage does not fail every job it meets.
    for (int attempt = 1; outcome.serverAway && attempt <= reconnectPolicy.retries; ++attempt) {
        if (!PauseBeforeReconnect(job, attempt)) break;
        // A later run continues what the earlier one left.
        ++job.attempts;
        if (std::optional<TransferJob> current = queue.Job(job.id)) job.doneBytes = current->doneBytes;
        outcome = ConnectAndTransfer(job);
    }
    // A stopped transfer reads as cancelled to the engine; the queue
    // already shows why (paused, cancelled, or given back).
    if (outcome.state == JobState::Failed && StopAsked()) outcome.text = "Stopped";
    return outcome;
}

QueueWorker::Outcome QueueWorker::ConnectAndTransfer(TransferJob& job) {
    if (std::optional<std::string> failure = Connect(job.site)) {
        return {JobState::Failed, *failure, !StopAsked() && ServerMayComeBack(lastLogIn)};
    }
    Outcome outcome = job.isDirectory ? TransferTree(job) : TransferFile(job);
    outcome.serverAway = outcome.state == JobState::Failed && ServerWentAway();
    return outcome;
}

// Waits on the session's wake descriptor: the stop that Pause, Cancel and
// the end of the runner send ends the wait at once.
bool QueueWorker::PauseBeforeReconnect(const TransferJob& job, int attempt) {
    if (StopAsked()) return false;
    const std::chrono::milliseconds delay = reconnectPolicy.DelayBefore(attempt + 1);
    session.Control().LogF("The server does not answer; connecting again in %lld ms (attempt %d of %d).",
                           static_cast<long long>(delay.count()), attempt, reconnectPolicy.retries);
    session.CloseAll();
    loggedInSite.clear();
    queue.WaitToReconnect(job.id, attempt, reconnectPolicy.retries);
    const bool waited = StopAwareRetryWait(session.Control()).Wait(delay);
    queue.WaitToReconnect(job.id, 0, 0);
    return waited && !StopAsked();
}

// A closed control connection reads as a 421 without text until the session
// notices it is gone.
bool QueueWorker::ConnectionGone() const {
    return !session.IsConnected() || session.Control().ReplyCode() == 421;
}

// After a failed transfer: the connection is gone, and logging in again
// (when the transfer's retries tried) did not fail for a lasting reason.
bool QueueWorker::ServerWentAway() const {
    return !StopAsked() && ConnectionGone() && (lastLogIn.Connected() || ServerMayComeBack(lastLogIn));
}

std::optional<std::string> QueueWorker::Connect(const std::string& site) {
    if (!ConnectionGone() && loggedInSite == site) return std::nullopt;
    std::optional<ConnectionSettings> settings = settingsFor(site);
    if (!settings) return "Unknown site";
    session.CloseAll();
    loggedInSite.clear();
    session.Configure(*settings);
    lastLogIn = session.Logon();
    if (StopAsked()) return "Stopped";
    if (!lastLogIn.Connected()) return LogonFailure(lastLogIn);
    loggedInSite = site;
    return std::nullopt;
}

QueueWorker::Outcome QueueWorker::TransferFile(TransferJob& job) {
    const bool upload = job.direction == TransferDirection::Upload;
    // A job that ran before continues what it left: a download its kept
    // partial file, an upload the remote file once bytes were sent, as long
    // as its choice about the target was settled (overwrite or resume).
    const bool settled =
        job.existing == ExistingFileChoice::Overwrite || job.existing == ExistingFileChoice::Resume;
    const bool continues = settled && job.attempts > 1 && (!upload || job.doneBytes > 0);
    StartProgress(job, upload ? LocalSize(job.localPath) : job.totalBytes, continues ? job.doneBytes : 0);
    TransferJob file = job;
    const FileMove::Result result =
        mover.Run(file, continues ? FileMove::Start::Continue : FileMove::Start::Fresh);
    if (file.localPath != job.localPath || file.remotePath != job.remotePath ||
        file.existing != job.existing) {
        queue.Retarget(job.id, file.localPath, file.remotePath, file.existing);
        // A run after a lost connection goes on with the settled target.
        job.localPath = file.localPath;
        job.remotePath = file.remotePath;
        job.existing = file.existing;
    }
    if (result.state == JobState::Done || result.state == JobState::Verified) {
        ReportWhole(job.id, LocalSize(file.localPath));
    }
    return {result.state, result.text};
}

// A tree runs file after file on this connection. A later run (after a
// pause or a failure) reads the tree again and continues: what the earlier
// run completed is skipped, what it broke off is continued.
QueueWorker::Outcome QueueWorker::TransferTree(TransferJob& job) {
    std::string failure;
    std::optional<std::vector<TransferJob>> files = TreeExpansion(session).Expand(job, failure);
    if (!files) return {JobState::Failed, failure};
    std::int64_t total = 0;
    for (const TransferJob& file : *files) {
        total = file.totalBytes < 0 || total < 0 ? -1 : total + file.totalBytes;
    }
    StartProgress(job, total, 0);
    const bool rerun = job.attempts > 1;
    std::int64_t finished = 0;
    int failures = 0;
    bool allVerified = true;
    for (TransferJob& file : *files) {
        if (StopAsked()) return {JobState::Failed, "Stopped"};
        progress.BeginFile(finished);
        const FileMove::Result result =
            mover.Run(file, rerun ? FileMove::Start::AfterPause : FileMove::Start::Fresh);
        if (result.state == JobState::Failed) {
            if (StopAsked()) return {JobState::Failed, "Stopped"};
            // Without a connection the rest would fail as well; a later run
            // continues from here.
            if (ConnectionGone()) return {JobState::Failed, file.remotePath + ": " + result.text};
            if (failures++ == 0) failure = file.remotePath + ": " + result.text;
        }
        allVerified = allVerified && result.state == JobState::Verified;
        finished += std::max<std::int64_t>(
            0, file.direction == TransferDirection::Upload ? file.totalBytes : LocalSize(file.localPath));
    }
    if (failures > 0) {
        return {JobState::Failed, std::to_string(failures) + " of " + std::to_string(files->size()) +
                                      " files failed; first " + failure};
    }
    ReportWhole(job.id, finished);
    return {allVerified && !files->empty() ? JobState::Verified : JobState::Done,
            files->empty() ? "No files in the directory" : ""};
}

void QueueWorker::StartProgress(const TransferJob& job, std::int64_t totalBytes, std::int64_t doneBytes) {
    progress.Start(totalBytes, doneBytes, JobProgress::Clock::now());
    queue.ReportProgress(job.id, progress.DoneBytes(), progress.TotalBytes(), 0, -1);
}

// The last poll may have come before the end: a finished job shows all its bytes.
void QueueWorker::ReportWhole(std::uint64_t id, std::int64_t bytes) {
    if (bytes >= 0) queue.ReportProgress(id, bytes, bytes, 0, 0);
}

std::uint64_t QueueWorker::RunningJob() const {
    std::lock_guard<std::mutex> guard(stopLock);
    return runningJob;
}

void QueueWorker::ReportProgress(std::int64_t expected, std::int64_t done) {
    progress.Update(expected, done, JobProgress::Clock::now());
    queue.ReportProgress(RunningJob(), progress.DoneBytes(), progress.TotalBytes(), progress.BytesPerSecond(),
                         progress.SecondsLeft());
}
