#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ftp/engine_ui.h"
#include "ftp/transfer_status.h"

// The engine seam of a session whose owner runs every exchange on a thread
// of its own (a connection, a queue worker): nothing waits for a worker of
// the session, and its reports go straight to the owner's callbacks on the
// thread that works. Nobody is asked anything: the owner's requests name
// their transfer type.
class OwnThreadReports : public EngineUi {
public:
    using Progress = std::function<void(std::int64_t doneBytes, std::int64_t totalBytes)>;  // total -1: unknown
    using LogLines = std::function<void()>;

    OwnThreadReports(TransferStatus& status, Progress progress, LogLines logLines = {})
        : status(status), progress(std::move(progress)), logLines(std::move(logLines)) {}

    void ProgressChanged() override {
        std::int64_t done = 0;
        std::int64_t total = -1;
        {
            TransferStatusLock guard(status);
            done = status.doneBytes;
            if (status.totalKnown) total = status.expectedBytes;
        }
        if (progress) progress(done, total);
    }
    void LogLinesWaiting() override {
        if (logLines) logLines();
    }
    // No worker of the session is started, so nothing waits for one; were it
    // asked, the wait ends as cancelled rather than block.
    WaitResult WaitForWorker(WaitKind, const std::string&, TransferStatus&) override { return WaitResult::Cancelled; }
    bool AskTransferMode() override { return true; }
    void ShowMessage(const std::string&) override {}
    void Beep(BeepKind) override {}

private:
    TransferStatus& status;
    Progress progress;
    LogLines logLines;
};
