#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "ftp/connection_settings.h"
#include "ftp/ftp_session.h"
#include "ftp/log_queue.h"
#include "ftp/own_thread_reports.h"
#include "ftp/transfer_retry.h"
#include "ftp/transfer_status.h"
#include "queue/core/file_move.h"
#include "queue/core/job_progress.h"
#include "queue/core/transfer_queue.h"

// One background connection of the queue: a session of its own that runs
// the jobs its thread hands it, one at a time, and reports their progress
// and outcome to the queue. It stays logged in to a site between jobs and
// logs in again when the next job is for another site or the connection was
// lost. Run is called on the worker's thread; StopJob and Interrupt from any.
class QueueWorker {
public:
    using SettingsLookup = std::function<std::optional<ConnectionSettings>(const std::string& site)>;

    // The session's log lines go on into sharedLog, which every worker of the
    // runner shares; a transfer that fails on a transient error is tried
    // again as retryPolicy says, and a job whose server went away waits and
    // connects again as reconnectPolicy says.
    // A job without a choice that finds its target there asks through questions.
    QueueWorker(TransferQueue& queue, const SettingsLookup& settingsFor, LogQueue& sharedLog,
                TargetQuestions& questions, const RetryPolicy& retryPolicy, const RetryPolicy& reconnectPolicy);
    ~QueueWorker();
    QueueWorker(const QueueWorker&) = delete;
    QueueWorker& operator=(const QueueWorker&) = delete;

    // Runs a job TakeNext gave this worker and tells the queue how it ended.
    void Run(const TransferJob& job);
    // Stops the job's transfer when this worker runs it (it was paused or
    // cancelled); what was transferred is kept.
    void StopJob(std::uint64_t id);
    // Closes the connection between jobs (on the worker's thread).
    void Disconnect();
    // Stops whatever runs for good: the running job goes back to the queue.
    void Interrupt();

private:
    struct Outcome {
        JobState state = JobState::Done;
        std::string text;         // the reason of a failure, or a note (a skip)
        bool serverAway = false;  // failed because the server refused or dropped the connection
    };
    Outcome Execute(TransferJob& job);
    Outcome ConnectAndTransfer(TransferJob& job);
    bool PauseBeforeReconnect(const TransferJob& job, int attempt);
    std::optional<std::string> Connect(const std::string& site);
    bool ConnectionGone() const;
    bool ServerWentAway() const;
    Outcome TransferFile(TransferJob& job);
    Outcome TransferTree(TransferJob& job);
    bool StopAsked() const;
    std::uint64_t RunningJob() const;
    void StartProgress(const TransferJob& job, std::int64_t totalBytes, std::int64_t doneBytes);
    void ReportWhole(std::uint64_t id, std::int64_t bytes);
    void ReportProgress(std::int64_t expected, std::int64_t done);

    TransferQueue& queue;
    const SettingsLookup& settingsFor;
    TargetQuestions& questions;
    const RetryPolicy retryPolicy;
    const RetryPolicy reconnectPolicy;
    LogQueue ownLog;
    TransferStatus status;
    OwnThreadReports reports;
    FtpSession session{ownLog, status};  // after its reports: it reports to them until destroyed
    FileMove mover{session, retryPolicy};
    std::string loggedInSite;  // the site the session is logged in to
    LogonResult lastLogIn;     // how the session's latest log-in ended, whoever made it

    std::uint64_t runningJob = 0;  // guarded by stopLock
    bool stopAsked = false;        // guarded by stopLock
    std::atomic<bool> stopFlag{false};  // stopAsked, for the question's wait
    mutable std::mutex stopLock;
    std::atomic<bool> interrupted{false};

    JobProgress progress;  // the worker thread's only
};
