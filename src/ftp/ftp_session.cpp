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
}

FtpSession::~FtpSession() {
    if (worker.Joinable()) {
        RequestStop();
        worker.Join();
        control.ClearStop();
    }
}

LogonResult FtpSession::Logon() {
    if (!connected) {
        // A new connection may reach another server.
        transfers.ForgetServer();
        passiveOpener.Reset(login.Settings().tryEpsv);
        listings.ForgetServer();
    }
    return login.Logon();
}

void FtpSession::CloseAll() {
    control.Close();
    transfers.CloseDataConnection();
    passiveOpener.Close();
    activeOpener.Close();
    control.ClearBusy();
    connected = 0;
}
