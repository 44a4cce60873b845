#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "queue/core/transfer_job.h"

// The transfers waiting, running and finished, in the order they were added.
// Thread-safe behind one mutex: the desktop changes it from the user-interface
// thread while the runner's workers take jobs and report progress.
class TransferQueue {
public:
    // Hears every change. Called from any thread, without the queue's lock
    // held (so it may read the queue back); must be cheap.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void JobChanged(std::uint64_t id) = 0;
        virtual void JobsAddedOrRemoved() = 0;
    };

    void SetListener(Listener* listener);

    std::uint64_t Add(TransferJob job);
    std::vector<TransferJob> Jobs() const;  // snapshot, queue order
    std::optional<TransferJob> Job(std::uint64_t id) const;

    // queued/running -> paused (running: its transfer is stopped, partial kept)
    void Pause(std::uint64_t id);
    void Resume(std::uint64_t id);  // paused -> queued (continues from the partial)
    void Cancel(std::uint64_t id);  // queued/running/paused -> failed "Cancelled"
    void Retry(std::uint64_t id);   // failed -> queued
    void Remove(std::uint64_t id);  // any but running; running: cancel first
    void ClearFinished();           // drops done and verified

    // Writes a temporary file beside path and renames it over path, so a
    // crash leaves the old queue or the new one. No passwords: jobs name
    // their sites.
    bool Save(const std::string& path, std::string& error) const;
    // Replaces the jobs a worker is not running (fresh ids; those saved
    // running come back queued, or paused when they were interrupted twice). A missing file is an empty
    // queue; a damaged one is refused whole, with the line in error, and changes nothing.
    bool Load(const std::string& path, std::string& error);

    // --- for the runner ---
    // What the queue tells the runner. Called without the lock held.
    class Runner {
    public:
        virtual ~Runner() = default;
        // A running job was paused or cancelled: its transfer must stop.
        virtual void StopJob(std::uint64_t id) = 0;
        // A job became queued (added, resumed, retried, given back).
        virtual void JobsWaiting() = 0;
    };
    void SetRunner(Runner* runner);
    // Marks the first queued job Running (one more attempt) and returns it;
    // nothing when no job waits. A job whose previous run has not yet
    // finished is left for later, so two workers never write the same file.
    std::optional<TransferJob> TakeNext();
    // Progress of a running job; ignored once the job is no longer running.
    void ReportProgress(std::uint64_t id, std::int64_t doneBytes, std::int64_t totalBytes,
                        double bytesPerSecond, std::int64_t secondsLeft);
    // A running job's transfer is tried again (one more attempt); text says
    // why, shown as its note until the job ends.
    void CountRetry(std::uint64_t id, const std::string& text);
    // A running job's server does not answer: the job waits before connecting
    // again (attempt of attempts), or, with attempt 0, stops waiting.
    void WaitToReconnect(std::uint64_t id, int attempt, int attempts);
    // Where a running job's files really are (a free name chosen beside an
    // existing target) and what a later run does about its target.
    void Retarget(std::uint64_t id, const std::string& localPath, const std::string& remotePath,
                  std::optional<ExistingFileChoice> existing);
    // How a job taken by TakeNext ended (Done, Verified, Failed, or Queued
    // when the runner gives it back); text is the reason of a failure, or the
    // note of a finished job. A job paused or cancelled while it ran keeps
    // that state. A job that ended no longer counts its interrupted runs.
    void Finish(std::uint64_t id, JobState state, const std::string& text);

private:
    struct Entry {
        TransferJob job;
        bool taken = false;  // a worker still runs it (its state may already say paused or cancelled)
    };
    mutable std::mutex lock;
    std::vector<Entry> entries;
    std::uint64_t nextId = 1;
    Listener* listener = nullptr;
    Runner* runner = nullptr;

    Entry* Find(std::uint64_t id);
    // Pause and Cancel: a job in one of the from states goes to `to`; a
    // running one's transfer is stopped.
    void Halt(std::uint64_t id, JobState to, std::initializer_list<JobState> from, const char* failure);
    // Resume and Retry: a job in the from state waits again.
    void Requeue(std::uint64_t id, JobState from);
    // Applies `change` to the job under the lock; true when it changed it.
    bool Change(std::uint64_t id, const std::function<bool(Entry&)>& change);
    void NotifyChanged(std::uint64_t id);
    void NotifyAddedOrRemoved();
    void NotifyWaiting();
    void StopRunning(std::uint64_t id);
};
