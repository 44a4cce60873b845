#pragma once

// What the engine reports while it works, so that a user interface need not
// ask. The reports come from whichever thread does the work (a worker, or the
// caller's thread for the short exchanges): each must be cheap, must not block
// and must be thread-safe, and the object must outlive the session's worker
// (the session joins it before a transfer call returns). Nothing by default.
class EngineEvents {
public:
    virtual ~EngineEvents() = default;

    // A log line arrived while none was waiting: the log queue has lines to drain.
    virtual void LogLinesWaiting() {}

    // The status record's byte counts moved (at most every few tens of ms).
    virtual void ProgressChanged() {}

    // The worker has cleared busy; its result is in the status record.
    virtual void WorkerFinished() {}
};
