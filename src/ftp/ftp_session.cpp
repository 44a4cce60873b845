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
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) temp = "/tmp";
    // One listing file per session, made by mkstemp: two programs (or two test
    // processes) listing at once must not read each other's directories, and
    // another user cannot plant a file or link under a name known in advance.
    std::string unique = (temp / "quillmoor-listing-XXXXXX").string();
    const int fd = mkstemp(unique.data());
    if (fd >= 0) {
        close(fd);
        tempListingPath = unique;
    } else {
        tempListingPath = (temp / ("quillmoor-listing-" + std::to_string(getpid()) + ".ftp")).string();
    }
}

FtpSession::~FtpSession() {
    if (worker.Joinable()) {
        RequestStop();
        worker.Join();
        control.ClearStop();
    }
    if (listingFile != nullptr) std::fclose(listingFile);
    std::remove(tempListingPath.c_str());
}

int FtpSession::Logon() {
    if (!connected) {
        // A new connection may reach another server.
        sizeCommandUnknown = false;
        mlsdUnknown = false;
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
