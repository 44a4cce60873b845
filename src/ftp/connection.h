#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "ftp/connection_requests.h"
#include "ftp/connection_settings.h"
#include "ftp/event_queue.h"
#include "ftp/log_queue.h"

class FtpSession;
class OwnThreadReports;
namespace tls {
class CertificateQuestion;
}
struct TransferStatus;

// One connection to a server with a thread of its own. Callers submit typed
// requests from any thread; the thread logs in when it needs to and runs them
// one after another, and every result and progress report comes back as an
// event. Nothing waits for the network but that thread. A request cancelled
// while it runs ends at once; the connection is then closed and the next
// request logs in again, as it does after a server closed the connection.
class Connection {
public:
    // Log lines go into log; the settings are those of every log-in.
    Connection(LogQueue& log, ConnectionSettings settings);
    ~Connection();  // cancels what runs, else says QUIT; waits for the thread
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Queues a request; returns its number, which its events carry.
    std::uint64_t Submit(Request request);
    // Ends the request: a queued one finishes at once as cancelled, a running
    // one as soon as its exchange is woken.
    void Cancel(std::uint64_t id);

    // Who decides about certificates that cannot be verified (nullptr: they
    // are refused). Asked on the connection's thread; set before the first
    // request and kept alive as long as the connection.
    void SetCertificateQuestion(tls::CertificateQuestion* question);

    // Results and progress, for the thread that owns the connection.
    EventQueue<ConnectionEvent>& Events() { return events; }

private:
    void Run();
    void PassLogOn();
    RequestResult Execute(const Request& request);
    RequestResult Dispatch(const Request& request);
    Result<void> EnsureLoggedIn();
    Result<void> Quit();
    Result<LoginFacts> Facts();
    Result<TreeContents> Survey(const std::string& path);
    Result<TreeLeftovers> RemoveTree(const std::string& path);
    Result<WalkResult> DownloadTree(const request::DownloadTree& tree);
    Result<void> Enter(const std::string& directory);
    Result<Listing> List(const std::string& path);
    Result<RemoteFileFacts> Stat(const std::string& path);
    Result<TransferOutcome> Transfer(const request::Transfer& transfer);
    Error ReplyError(const std::string& fallback) const;

    const ConnectionSettings settings;
    EventQueue<ConnectionEvent> events;
    // The session's own log, passed on line by line to the caller's: the
    // session takes over the wake-up of the log it writes to, and the
    // caller's belongs to the caller.
    LogQueue ownLog;
    LogQueue& callerLog;
    std::unique_ptr<TransferStatus> statusRecord;  // the session's byte counts, read for progress
    std::unique_ptr<OwnThreadReports> reports;
    std::uint64_t runningOnThread = 0;  // the request the thread runs (its own copy, for progress)
    std::unique_ptr<FtpSession> session;
    std::string enteredDirectory;  // the directory the thread entered last; empty: unknown

    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::pair<std::uint64_t, Request>> waiting;  // guarded by lock
    std::uint64_t nextId = 1;                                // guarded by lock
    std::uint64_t running = 0;                               // guarded by lock
    bool cancelRunning = false;                              // guarded by lock
    bool ending = false;                                     // guarded by lock
    std::thread thread;  // last: starts once everything above exists
};
