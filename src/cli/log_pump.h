#pragma once

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>

#include "ftp/log_queue.h"

// The command-line stand-in for the log window: a thread that drains the log
// queue into a stream every 50 ms, and once more when it stops, so that lines
// appear while a command waits and none is lost at the end.
class LogPump {
public:
    LogPump(LogQueue& log, std::ostream& stream);
    ~LogPump();
    LogPump(const LogPump&) = delete;
    LogPump& operator=(const LogPump&) = delete;

private:
    void Run();

    LogQueue& log;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};
