#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>

// The one channel through which every thread hands finished log lines to the
// log window. Any thread appends; only the user-interface thread drains.
class LogQueue {
public:
    using Sink = std::function<void(const std::string& line)>;
    using WakeUp = std::function<void()>;

    void Append(const std::string& text);

    // Registers (or, with an empty sink, removes) the log window. Until a sink
    // exists, Drain leaves every line queued.
    void SetSink(Sink sink);

    // Registers (or, with an empty one, removes) what tells the draining
    // thread that lines wait, so that it need not poll. It runs on the
    // appending thread, outside the lock, when a line arrives in an empty queue.
    void SetWakeUp(WakeUp wakeUp);

    // Moves every queued line, oldest first, into the sink. Holds the lock for
    // the whole drain so that lines from other threads wait their turn.
    void Drain();

    // Removes and returns everything queued (the CLI and tests read it this way).
    std::deque<std::string> TakeAll();

    std::size_t Size() const;

private:
    mutable std::recursive_mutex lock;
    std::deque<std::string> lines;
    Sink sink;
    WakeUp wakeUp;
};
