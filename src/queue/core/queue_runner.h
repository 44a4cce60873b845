#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ftp/connection_settings.h"
#include "ftp/log_queue.h"
#include "ftp/transfer_retry.h"
#include "queue/core/target_questions.h"
#include "queue/core/transfer_queue.h"

// Runs the queue's jobs in the background on up to N connections of their
// own, one worker thread each, while the program's main connection stays free
// for browsing. A worker logs in to a job's site once and keeps the connection
// for the next job of the same site.
class QueueRunner {
public:
    using SettingsLookup = std::function<std::optional<ConnectionSettings>(const std::string& site)>;
    static constexpr int kMaxConnections = 10;

    // settingsFor gives the connection settings of a job's site (nullopt: the
    // job fails "Unknown site"). It is called on the worker threads, so what
    // it reads must be safe to read from them. The queue outlives the runner.
    QueueRunner(TransferQueue& queue, SettingsLookup settingsFor, int connections);
    ~QueueRunner();  // Stop()
    QueueRunner(const QueueRunner&) = delete;
    QueueRunner& operator=(const QueueRunner&) = delete;

    void SetConnections(int n);  // 1..10
    // How often a transfer that failed on a transient error (4xx, a lost
    // connection, a time-out) is tried again, and the pauses between; taken
    // by the connections started after the call (by default two retries
    // after 1 s and 2 s).
    void SetRetryPolicy(const RetryPolicy& policy);
    // How long a job whose server went away (refused, reset or closed the
    // connection, or sent 421) waits before it connects again, and how
    // often; taken by the connections started after the call (by default
    // five times, after 1, 2, 4, 8 and 16 s). Only then does it fail.
    void SetReconnectPolicy(const RetryPolicy& policy);
    void Start();  // worker threads take queued jobs in order
    void Stop();   // stops transfers, joins; running jobs go back to queued, partials kept
    // The log lines of the queue's connections, all in one queue: they wait
    // there until the front end drains or takes them.
    LogQueue& Log();
    // What the workers ask about targets that jobs without a choice find
    // there; nobody answers until the front end sets the listener.
    TargetQuestions& Questions();

private:
    class Impl;
    std::unique_ptr<Impl> impl;
};
