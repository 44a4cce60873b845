#include "ftp/log_queue.h"

void LogQueue::Append(const std::string& text) {
    WakeUp wake;
    {
        std::lock_guard guard(lock);
        lines.push_back(text);
        if (lines.size() == 1) wake = wakeUp;
    }
    if (wake) wake();
}

void LogQueue::SetWakeUp(WakeUp newWakeUp) {
    std::lock_guard guard(lock);
    wakeUp = std::move(newWakeUp);
}

void LogQueue::SetSink(Sink newSink) {
    std::lock_guard guard(lock);
    sink = std::move(newSink);
}

void LogQueue::Drain() {
    std::lock_guard guard(lock);
    if (!sink) return;
    while (!lines.empty()) {
        std::string line = std::move(lines.front());
        lines.pop_front();
        sink(line);
    }
}

std::deque<std::string> LogQueue::TakeAll() {
    std::lock_guard guard(lock);
    std::deque<std::string> taken;
    taken.swap(lines);
    return taken;
}

std::size_t LogQueue::Size() const {
    std::lock_guard guard(lock);
    return lines.size();
}
