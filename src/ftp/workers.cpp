// The four long operations, each on a worker thread of its own, and the
// cancel sequence that stops one.
#include "ftp/ftp_session.h"

void FtpSession::RunWorker(ReplyClass (FtpSession::*operation)(), bool storesResult) {
    const ReplyClass result = (this->*operation)();
    // A stopped worker leaves no trace, not even in the status record: the
    // cancelled transfer stores no result and busy keeps its 1.
    if (control.StopRequested()) return;
    {
        TransferStatusLock lock(status);
        if (storesResult) status.result = result;
        status.busy = 0;
    }
    if (ui != nullptr) ui->WorkerFinished();
}

ReplyClass FtpSession::RunConnect() {
    connectLogon = Logon();
    return kNoReply;
}

ReplyClass FtpSession::RunList() {
    workerListing = listings.List(".");
    return kNoReply;
}

void FtpSession::StartWorker(ReplyClass (FtpSession::*operation)(), bool storesResult) {
    // Only one worker runs at a time; one that has ended is joined here.
    JoinWorker();
    control.ClearStop();
    // Busy before the thread exists: a waiter that looks before the thread
    // has run must not take the worker for finished.
    {
        TransferStatusLock lock(status);
        status.busy = 1;
    }
    worker.Start([this, operation, storesResult] { RunWorker(operation, storesResult); });
}

void FtpSession::StartConnectWorker() { StartWorker(&FtpSession::RunConnect, false); }

void FtpSession::StartListWorker() { StartWorker(&FtpSession::RunList, false); }

void FtpSession::StartDownloadWorker() { StartWorker(&FtpSession::RunDownload, true); }

void FtpSession::StartUploadWorker() { StartWorker(&FtpSession::RunUpload, true); }

void FtpSession::JoinWorker() { worker.Join(); }

// The worker is never suspended or killed: the stop flag silences it and ends
// its loops, the wake descriptor ends whatever wait it is in (name lookup,
// dial, reply, data connection, data transfer), and the join waits until it
// has unwound. Only then are its sockets closed, so no thread ever uses a
// closed or reused descriptor. A walk the stopped transfer belonged to stops
// with it. This is the one cancel sequence of every front end.
//
// The TransferStatus lock is not held while joining: the worker takes it on
// its way out, so holding it here would deadlock.
void FtpSession::CancelWorker() {
    control.RequestStop();
    JoinWorker();
    control.ClearStop();
    status.stopWalk = 1;
    TransferStatusLock lock(status);
    CloseAll();
}
