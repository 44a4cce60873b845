// The four long operations, each on a worker thread of its own, and the
// cancel sequence that stops one.
#include "ftp/ftp_session.h"

void CFtpSession::RunWorker(int (CFtpSession::*operation)(), bool storesResult) {
    {
        TransferStatusLock lock(status);
        status.busy = 1;
    }
    const int result = (this->*operation)();
    // A stopped worker leaves no trace, not even in the status record: the
    // cancelled transfer stores no result and busy keeps its 1.
    if (stopRequested.load()) return;
    {
        TransferStatusLock lock(status);
        if (storesResult) status.result = result;
        status.busy = 0;
    }
    if (ui != nullptr) ui->WorkerFinished();
}

int CFtpSession::RunConnect() {
    Logon();
    return 0;
}

int CFtpSession::RunList() {
    const bool stored = ListDirectoryToFile(tempListingPath) == kComplete;
    lastListing = stored ? ListingOutcome::Complete : ListingOutcome::Failed;
    // MLSD lines have no columns to count.
    if (stored && !listingIsMlsd && !stopRequested.load()) CountListing(tempListingPath);
    return 0;
}

void CFtpSession::StartWorker(int (CFtpSession::*operation)(), bool storesResult) {
    // Only one worker runs at a time; one that has ended is joined here.
    JoinWorker();
    ClearStop();
    worker = std::thread(&CFtpSession::RunWorker, this, operation, storesResult);
}

void CFtpSession::StartConnectWorker() { StartWorker(&CFtpSession::RunConnect, false); }

void CFtpSession::StartListWorker() { StartWorker(&CFtpSession::RunList, false); }

void CFtpSession::StartDownloadWorker() { StartWorker(&CFtpSession::Retrieve, true); }

void CFtpSession::StartUploadWorker() { StartWorker(&CFtpSession::Store, true); }

void CFtpSession::JoinWorker() {
    if (worker.joinable()) worker.join();
}

// The worker is never suspended or killed: the stop flag silences it and ends
// its loops, the wake descriptor ends whatever wait it is in (name lookup,
// dial, reply, data connection, data transfer), and the join waits until it
// has unwound. Only then are its sockets closed, so no thread ever uses a
// closed or reused descriptor. closeSocketsFirst (an upload) needs nothing
// different: the wake already ends a blocked send.
//
// The TransferStatus lock is not held while joining: the worker takes it on
// its way out, so holding it here would deadlock.
void CFtpSession::CancelWorker(bool closeSocketsFirst) {
    static_cast<void>(closeSocketsFirst);
    RequestStop();
    JoinWorker();
    ClearStop();
    TransferStatusLock lock(status);
    CloseAll();
}
