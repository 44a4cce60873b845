#pragma once

// A descriptor that another thread (or a signal handler) makes readable to wake
// every wait that includes it. It stays signalled until Reset(), so a worker
// that is unwinding after a wake meets no further blocking wait.
namespace net {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Async-signal-safe: only writes to the descriptor.
    void Signal() const;
    void Reset() const;
    bool IsSignalled() const;
    int Fd() const { return fd; }

private:
    int fd = -1;
};

}  // namespace net
