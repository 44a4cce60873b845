#include "ftp/ftp_session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ftp/bounded_text.h"
#include "ftp/socket_error_text.h"
#include "platform/net/socket_error_codes.h"
#include "platform/net/socket_wait.h"

FtpSession::FtpSession(LogQueue& log, TransferStatus& status) : log(log), status(status) {
    control.SetTimeoutSeconds(login.Settings().timeoutSeconds);
    // A pipe that a download writes into is waited on like a socket: Cancel
    // and the time limit end the wait.
    partialDownload.SetWaitForRoom([this](int fd) { return control.WaitWritable(fd) == WaitOutcome::Ready; });
    // Noted by the worker, logged once the transfer is over: a cancelled
    // worker's own log lines are silenced.
    partialDownload.SetKeptNotice([this](const std::string& path, std::int64_t bytes) {
        keptPartialPath = path;
        keptPartialBytes = bytes;
    });
}

FtpSession::~FtpSession() {
    if (worker.Joinable()) {
        RequestStop();
        worker.Join();
        control.ClearStop();
    }
}

int FtpSession::Logon() {
    if (!connected) {
        // A new connection may reach another server.
        sizeCommandUnknown = false;
        listings.ForgetServer();
        mdtmUnknown = false;
        passiveOpener.Reset(login.Settings().tryEpsv);
        dataModeInUse = login.Settings().dataMode;
    }
    return login.Logon();
}

void FtpSession::CloseAll() {
    control.Close();
    if (dataStream) dataStream->Close();
    passiveOpener.Close();
    activeOpener.Close();
    control.ClearBusy();
    connected = 0;
}
