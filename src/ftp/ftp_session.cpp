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
    // The log outlives the session; its lines must not be reported to a user
    // interface that may go before it.
    if (ui != nullptr) log.SetWakeUp({});
    if (worker.Joinable()) {
        control.RequestStop();
        worker.Join();
        control.ClearStop();
    }
}

void FtpSession::SetUi(EngineUi* newUi) {
    ui = newUi;
    transfers.SetUi(newUi);
    walks.SetUi(newUi);
    if (newUi != nullptr) {
        log.SetWakeUp([newUi] { newUi->LogLinesWaiting(); });
    } else {
        log.SetWakeUp({});
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
