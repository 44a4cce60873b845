#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "queue/core/target_decision.h"

// A target that a job without a choice found there when it started.
struct TargetQuestion {
    std::uint64_t job = 0;
    bool upload = false;
    std::string target;  // the local path of a download, the remote path of an upload
    FileFacts existing;  // the target as it is
    FileFacts incoming;  // the file that would replace it
};

// The user's answer: a choice, or none to cancel the job; applyToAll takes
// the same choice for the job's further files and the questions waiting.
struct TargetAnswer {
    std::optional<ExistingFileChoice> choice;
    bool applyToAll = false;
};

// Questions from the queue's workers to whoever shows them. A worker asks
// and waits; the front end, woken by the listener, takes the questions one
// by one and answers them on its own thread. Stopping a job withdraws its
// question, which ends the worker's wait at once.
class TargetQuestions {
public:
    // Called on the asking thread, without the lock, when a question starts
    // to wait. Without a listener nobody can answer: Ask skips the target
    // rather than replace it unasked.
    void SetListener(std::function<void()> questionWaiting);

    // Worker side: waits for the answer; none when the question was
    // withdrawn or stopped() says the job stops (checked again by Withdraw,
    // so a stop that comes before the question is not missed).
    std::optional<TargetAnswer> Ask(const TargetQuestion& question, const std::function<bool()>& stopped);
    // Front end: the oldest question not yet taken.
    std::optional<TargetQuestion> Next();
    // Front end: answers a question Next gave (ignored once withdrawn).
    void Answer(std::uint64_t job, const TargetAnswer& answer);
    // Ends the wait of the job's question, or of every question (job 0); a
    // worker whose stop is asked calls it after setting what stopped() reads.
    void Withdraw(std::uint64_t job);

private:
    struct Pending {
        TargetQuestion question;
        bool taken = false;
        std::optional<TargetAnswer> answer;
        bool withdrawn = false;
    };
    Pending* Find(std::uint64_t job);

    std::mutex lock;
    std::condition_variable answered;
    std::deque<Pending> pending;
    std::function<void()> listener;
};
