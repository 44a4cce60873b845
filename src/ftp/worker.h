#pragma once

#include <functional>
#include <thread>

// The one worker thread of a session: runs one long operation off the
// user-interface thread. Its owner joins it; nothing is detached, and the
// destructor joins a thread still running (after the owner has asked it to
// stop).
class Worker {
public:
    Worker() = default;
    ~Worker() { Join(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs job on a new thread; one that has ended is joined first.
    void Start(std::function<void()> job);
    // Waits until the running job has ended.
    void Join();
    bool Joinable() const { return thread.joinable(); }

private:
    std::thread thread;
};
