#include "queue/core/target_questions.h"

#include <algorithm>

void TargetQuestions::SetListener(std::function<void()> questionWaiting) {
    std::lock_guard<std::mutex> guard(lock);
    listener = std::move(questionWaiting);
}

std::optional<TargetAnswer> TargetQuestions::Ask(const TargetQuestion& question,
                                                 const std::function<bool()>& stopped) {
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!listener) return TargetAnswer{ExistingFileChoice::Skip, false};
        pending.push_back({question, false, std::nullopt, false});
        wake = listener;
    }
    wake();
    std::unique_lock<std::mutex> guard(lock);
    answered.wait(guard, [&] {
        const Pending* mine = Find(question.job);
        return mine->answer || mine->withdrawn || stopped();
    });
    const auto mine = std::find_if(pending.begin(), pending.end(),
                                   [&](const Pending& p) { return p.question.job == question.job; });
    std::optional<TargetAnswer> answer = mine->withdrawn || !mine->answer ? std::nullopt : mine->answer;
    pending.erase(mine);
    return answer;
}

std::optional<TargetQuestion> TargetQuestions::Next() {
    std::lock_guard<std::mutex> guard(lock);
    for (Pending& entry : pending) {
        if (!entry.taken && !entry.answer && !entry.withdrawn) {
            entry.taken = true;
            return entry.question;
        }
    }
    return std::nullopt;
}

void TargetQuestions::Answer(std::uint64_t job, const TargetAnswer& answer) {
    {
        std::lock_guard<std::mutex> guard(lock);
        Pending* entry = Find(job);
        if (!entry || entry->withdrawn) return;
        entry->answer = answer;
        // The other waiting questions are answered alike, and never shown.
        if (answer.applyToAll && answer.choice) {
            for (Pending& other : pending) {
                if (!other.taken && !other.answer) other.answer = answer;
            }
        }
    }
    answered.notify_all();
}

void TargetQuestions::Withdraw(std::uint64_t job) {
    {
        std::lock_guard<std::mutex> guard(lock);
        for (Pending& entry : pending) {
            if (job == 0 || entry.question.job == job) entry.withdrawn = true;
        }
    }
    answered.notify_all();
}

TargetQuestions::Pending* TargetQuestions::Find(std::uint64_t job) {
    for (Pending& entry : pending) {
        if (entry.question.job == job) return &entry;
    }
    return nullptr;
}
