#include "queue/core/transfer_queue.h"

#include <algorithm>

#include "queue/core/queue_file.h"
#include "sites/store/atomic_file.h"
#include "sites/store/regular_file.h"

void TransferQueue::SetListener(Listener* newListener) {
    std::lock_guard<std::mutex> guard(lock);
    listener = newListener;
}

void TransferQueue::SetRunner(Runner* newRunner) {
    std::lock_guard<std::mutex> guard(lock);
    runner = newRunner;
}

std::uint64_t TransferQueue::Add(TransferJob job) {
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> guard(lock);
        id = nextId++;
        job.id = id;
        entries.push_back(Entry{std::move(job)});
    }
    NotifyAddedOrRemoved();
    NotifyWaiting();
    return id;
}

std::vector<TransferJob> TransferQueue::Jobs() const {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<TransferJob> jobs;
    jobs.reserve(entries.size());
    for (const Entry& entry : entries) jobs.push_back(entry.job);
    return jobs;
}

std::optional<TransferJob> TransferQueue::Job(std::uint64_t id) const {
    std::lock_guard<std::mutex> guard(lock);
    for (const Entry& entry : entries) {
        if (entry.job.id == id) return entry.job;
    }
    return std::nullopt;
}

TransferQueue::Entry* TransferQueue::Find(std::uint64_t id) {
    auto found =
        std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.job.id == id; });
    return found == entries.end() ? nullptr : &*found;
}

bool TransferQueue::Change(std::uint64_t id, const std::function<bool(Entry&)>& change) {
    bool changed = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (Entry* entry = Find(id)) changed = change(*entry);
    }
    if (changed) NotifyChanged(id);
    return changed;
}

// A job that stops running shows no speed and no time left.
static void ClearRunningFigures(TransferJob& job) {
    job.bytesPerSecond = 0;
    job.secondsLeft = -1;
    job.waitingToReconnect = false;
}

void TransferQueue::Pause(std::uint64_t id) {
    Halt(id, JobState::Paused, {JobState::Queued, JobState::Running}, "");
}

void TransferQueue::Resume(std::uint64_t id) { Requeue(id, JobState::Paused); }

void TransferQueue::Cancel(std::uint64_t id) {
    Halt(id, JobState::Failed, {JobState::Queued, JobState::Running, JobState::Paused}, "Cancelled");
}

void TransferQueue::Retry(std::uint64_t id) { Requeue(id, JobState::Failed); }

void TransferQueue::Halt(std::uint64_t id, JobState to, std::initializer_list<JobState> from,
                         const char* failure) {
    bool wasRunning = false;
    Change(id, [&](Entry& entry) {
        TransferJob& job = entry.job;
        if (std::find(from.begin(), from.end(), job.state) == from.end()) return false;
        wasRunning = job.state == JobState::Running;
        job.state = to;
        job.failure = failure;
        job.note.clear();
        ClearRunningFigures(job);
        return true;
    });
    if (wasRunning) StopRunning(id);
}

void TransferQueue::Requeue(std::uint64_t id, JobState from) {
    if (Change(id, [from](Entry& entry) {
            if (entry.job.state != from) return false;
            entry.job.state = JobState::Queued;
            entry.job.failure.clear();
            entry.job.note.clear();
            return true;
        })) {
        NotifyWaiting();
    }
}

void TransferQueue::Remove(std::uint64_t id) {
    bool removed = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        auto found =
            std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.job.id == id; });
        if (found != entries.end() && found->job.state != JobState::Running) {
            entries.erase(found);
            removed = true;
        }
    }
    if (removed) NotifyAddedOrRemoved();
}

void TransferQueue::ClearFinished() {
    std::size_t removed;
    {
        std::lock_guard<std::mutex> guard(lock);
        removed = std::erase_if(entries, [](const Entry& e) { return IsFinished(e.job.state); });
    }
    if (removed != 0) NotifyAddedOrRemoved();
}

std::optional<TransferJob> TransferQueue::TakeNext() {
    std::optional<TransferJob> taken;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (Entry& entry : entries) {
            if (entry.job.state != JobState::Queued || entry.taken) continue;
            entry.taken = true;
            entry.job.state = JobState::Running;
            entry.job.failure.clear();
            entry.job.note.clear();
            ++entry.job.attempts;
            ClearRunningFigures(entry.job);
            taken = entry.job;
            break;
        }
    }
    if (taken) NotifyChanged(taken->id);
    return taken;
}

void TransferQueue::ReportProgress(std::uint64_t id, std::int64_t doneBytes, std::int64_t totalBytes,
                                   double bytesPerSecond, std::int64_t secondsLeft) {
    Change(id, [&](Entry& entry) {
        TransferJob& job = entry.job;
        if (job.state != JobState::Running) return false;
        job.doneBytes = doneBytes;
        job.totalBytes = totalBytes;
        job.bytesPerSecond = bytesPerSecond;
        job.secondsLeft = secondsLeft;
        return true;
    });
}

void TransferQueue::CountRetry(std::uint64_t id, const std::string& text) {
    Change(id, [&](Entry& entry) {
        if (entry.job.state != JobState::Running) return false;
        ++entry.job.attempts;
        entry.job.note = text;
        return true;
    });
}

void TransferQueue::WaitToReconnect(std::uint64_t id, int attempt, int attempts) {
    Change(id, [&](Entry& entry) {
        TransferJob& job = entry.job;
        if (job.state != JobState::Running) return false;
        ClearRunningFigures(job);
        job.waitingToReconnect = attempt > 0;
        job.note = attempt > 0 ? "Waiting to reconnect (attempt " + std::to_string(attempt) + " of " +
                                     std::to_string(attempts) + ")"
                               : std::string();
        return true;
    });
}

void TransferQueue::Retarget(std::uint64_t id, const std::string& localPath, const std::string& remotePath,
                             std::optional<ExistingFileChoice> existing) {
    Change(id, [&](Entry& entry) {
        entry.job.localPath = localPath;
        entry.job.remotePath = remotePath;
        entry.job.existing = existing;
        return true;
    });
}

void TransferQueue::Finish(std::uint64_t id, JobState state, const std::string& text) {
    bool waiting = false;
    bool changed = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        Entry* entry = Find(id);
        if (entry == nullptr) return;
        entry->taken = false;
        TransferJob& job = entry->job;
        if (job.state == JobState::Running) {
            job.state = state;
            job.failure = state == JobState::Failed ? text : std::string();
            job.note = IsFinished(state) ? text : std::string();
            ClearRunningFigures(job);
            if (IsFinished(state)) job.secondsLeft = 0;
            if (state != JobState::Queued) job.interruptedRuns = 0;
            changed = true;
        }
        // Resumed or retried while its last run was still ending: it may run now.
        waiting = job.state == JobState::Queued;
    }
    if (changed) NotifyChanged(id);
    if (waiting) NotifyWaiting();
}

bool TransferQueue::Save(const std::string& path, std::string& error) const {
    return ReplaceFileAtomically(path, FormatQueueFile(Jobs()), error);
}

bool TransferQueue::Load(const std::string& path, std::string& error) {
    std::string text;
    switch (ReadRegularFile(path, text, error)) {
        case FileRead::Missing:
            text.clear();
            break;  // nothing saved yet: an empty queue
        case FileRead::Failed:
            return false;
        case FileRead::Read:
            break;
    }
    std::vector<TransferJob> loaded;
    if (!ParseQueueFile(text, loaded, error)) {
        error = path + ": " + error;
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        // Jobs still taken by a worker stay; everything else is replaced.
        std::erase_if(entries, [](const Entry& e) { return !e.taken; });
        for (TransferJob& job : loaded) {
            job.id = nextId++;
            entries.push_back(Entry{std::move(job)});
        }
    }
    NotifyAddedOrRemoved();
    NotifyWaiting();
    return true;
}

void TransferQueue::StopRunning(std::uint64_t id) {
    Runner* current;
    {
        std::lock_guard<std::mutex> guard(lock);
        current = runner;
    }
    if (current != nullptr) current->StopJob(id);
}

void TransferQueue::NotifyChanged(std::uint64_t id) {
    Listener* current;
    {
        std::lock_guard<std::mutex> guard(lock);
        current = listener;
    }
    if (current != nullptr) current->JobChanged(id);
}

void TransferQueue::NotifyAddedOrRemoved() {
    Listener* current;
    {
        std::lock_guard<std::mutex> guard(lock);
        current = listener;
    }
    if (current != nullptr) current->JobsAddedOrRemoved();
}

void TransferQueue::NotifyWaiting() {
    Runner* current;
    {
        std::lock_guard<std::mutex> guard(lock);
        current = runner;
    }
    if (current != nullptr) current->JobsWaiting();
}
