#pragma once

#include <chrono>
#include <cstdint>

#include "ftp/engine_events.h"
#include "ftp/transfer_status.h"

// Hands a data loop's byte count to the status record at a bounded rate and
// reports each publication. Taking the shared lock and waking the user
// interface for every block would only slow the transfer down.
class ProgressPublisher {
public:
    // events may be null (nobody listens).
    ProgressPublisher(TransferStatus& status, EngineEvents* events) : status(status), events(events) {}

    // True when the last publication is old enough for another.
    bool Due() const { return Clock::now() >= next; }

    // Publishes done when it is due.
    void Update(std::int64_t done) {
        if (Due()) Publish(done);
    }

    // Publishes done now (the end of a loop).
    void Publish(std::int64_t done) {
        next = Clock::now() + kInterval;
        {
            TransferStatusLock lock(status);
            status.doneBytes = done;
        }
        if (events != nullptr) events->ProgressChanged();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{50};

    TransferStatus& status;
    EngineEvents* events;
    Clock::time_point next{};
};
