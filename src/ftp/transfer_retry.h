#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "ftp/transfer_outcome.h"

class ControlChannel;
class FtpSession;

// The pause between two attempts. Injected so that tests need not sleep.
class RetryWait {
public:
    virtual ~RetryWait() = default;
    // Waits delay; false when a stop ended the wait early.
    virtual bool Wait(std::chrono::milliseconds delay) = 0;
};

// Waits on the session's wake descriptor, so the stop that cancels a transfer
// (ControlChannel::RequestStop, async-signal-safe) ends the pause as well.
class StopAwareRetryWait : public RetryWait {
public:
    explicit StopAwareRetryWait(const ControlChannel& control) : control(control) {}
    bool Wait(std::chrono::milliseconds delay) override;

private:
    const ControlChannel& control;
};

// How often and how patiently a transfer is tried again.
struct RetryPolicy {
    int retries = 2;  // attempts after the first
    std::chrono::milliseconds firstDelay{1000};
    std::chrono::milliseconds longestDelay{30000};

    // The pause before attempt (2, 3, ...): firstDelay, doubled for each
    // later attempt, never above longestDelay.
    std::chrono::milliseconds DelayBefore(int attempt) const;
};

// Runs one file transfer of a session, trying again after a transient
// failure (a 4xx reply, a lost connection, a time-out) with growing pauses.
// Later attempts continue what the earlier ones left (binary transfers keep
// their partial data) and log in again first when the connection was lost.
// A permanent failure, a mismatch or a cancel ends it at once.
class TransferRetry {
public:
    enum class Direction { Download, Upload };
    // Logs the session in again; true when connected. The default logs in
    // with the session's settings: the remote directory is then the one the
    // log-in leads to, so remote names should be absolute.
    using Reconnect = std::function<bool(FtpSession& session)>;

    // wait nullptr: a StopAwareRetryWait on the session.
    TransferRetry(FtpSession& session, RetryPolicy policy, RetryWait* wait = nullptr);
    ~TransferRetry();
    TransferRetry(const TransferRetry&) = delete;
    TransferRetry& operator=(const TransferRetry&) = delete;

    void SetReconnect(Reconnect reconnect) { this->reconnect = std::move(reconnect); }
    // Told before each pause which attempt comes next and why (a queue
    // counts attempts and shows the reason while it waits).
    using RetryNotice = std::function<void(int nextAttempt, const TransferOutcome& last)>;
    void SetRetryNotice(RetryNotice notice) { retryNotice = std::move(notice); }

    // Runs the transfer; the outcome is the last attempt's.
    TransferOutcome Run(Direction direction, const std::string& remoteName, const std::string& localPath);
    // Attempts the last Run made (a log-in that failed counts as one).
    int Attempts() const { return attempts; }

private:
    TransferOutcome Attempt(Direction direction, const std::string& remoteName, const std::string& localPath);
    bool PauseBefore(int attempt, const std::string& remoteName, const TransferOutcome& last);
    bool NeedsNewConnection(const TransferOutcome& last) const;

    FtpSession& session;
    RetryPolicy policy;
    std::unique_ptr<RetryWait> ownWait;
    RetryWait& wait;
    Reconnect reconnect;
    RetryNotice retryNotice;
    int attempts = 0;
    bool logInAgain = false;  // the next attempt starts with a new log-in
};
