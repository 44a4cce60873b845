// Opening a transfer's data connection in the mode the connection uses, and
// the switch to the other mode when the server cannot work in this one.
#include "ftp/ftp_session.h"
#include "ftp/tcp_data_stream.h"
#include "platform/net/service_lookup.h"
#include "platform/net/socket_error_codes.h"

namespace {

// The server's word for "I could not open the data connection" (vsftpd says it
// to the transfer command, others after their 150).
constexpr int kCannotOpenDataConnection = 425;

}  // namespace

// Everything a transfer does between its TYPE command and its data loop. A
// failed start leaves no listener or data socket behind; the two failures the
// user can do something about (no listener, a refused transfer command) sound
// the warning beep.
FtpSession::DataOpening FtpSession::OpenDataConnection(bool announcesSize) {
    if (dataModeInUse == DataMode::Active) return OpenActive(announcesSize, true);
    switch (ConnectPassive()) {
        case PassiveOutcome::Connected:
            return SendOverPassive(announcesSize);
        case PassiveOutcome::Failed:
            return DataOpening::NotAccepted;  // like an active connection that never came: no beep
        case PassiveOutcome::Unavailable:
            break;
    }
    // No way back to passive from here: the server has just refused it.
    SwitchDataMode(DataMode::Active, "Passive mode refused; switching to active mode.");
    return OpenActive(announcesSize, false);
}

// The listener, PORT, the transfer command and the server's connection. A
// server that refuses PORT, or cannot reach the listener, gets the transfer
// again in passive mode when mayTryPassive.
FtpSession::DataOpening FtpSession::OpenActive(bool announcesSize, bool mayTryPassive) {
    listenSocket = OpenListener();
    if (!listenSocket.IsOpen()) {
        SoundBeep(EngineUi::BeepKind::Warning);
        return DataOpening::NoListener;
    }
    // OpenListener keeps the listener even when PORT fails, so that the
    // transfer command is still tried; the reply code is PORT's reply.
    if (mayTryPassive && control.ReplyCode() >= 500 && control.ReplyCode() < 600 && !control.Aborted()) {
        control.CloseSocket(listenSocket);
        return RetryInPassive("Active mode refused; switching to passive mode.", announcesSize);
    }
    if (SendTransferCommand() != kPreliminary) {
        control.CloseSocket(listenSocket);
        if (mayTryPassive && control.ReplyCode() == kCannotOpenDataConnection && !control.Aborted()) {
            return RetryInPassive("The server could not connect in active mode; switching to passive mode.",
                                  announcesSize);
        }
        SoundBeep(EngineUi::BeepKind::Warning);
        return DataOpening::Refused;
    }
    if (announcesSize) ParseSizeFromReply();
    int errorCode = 0;
    net::Socket accepted = AcceptFromServer(errorCode);
    if (!accepted.IsOpen()) {
        if (errorCode != 0) control.LogSocketError("accept", errorCode);
        control.CloseSocket(listenSocket);
        if (mayTryPassive && errorCode == 0 && control.ReplyCode() == kCannotOpenDataConnection &&
            !control.Aborted()) {
            return RetryInPassive("The server could not connect in active mode; switching to passive mode.",
                                  announcesSize);
        }
        // The server still owes its reply to this transfer, so the transfer
        // cannot be asked again; the next ones go passive.
        if (mayTryPassive && errorCode == net::kErrorTimedOut) {
            SwitchDataMode(DataMode::Passive,
                           "The active data connection never arrived; switching to passive mode.");
        }
        return DataOpening::NotAccepted;
    }
    control.CloseSocket(listenSocket);
    control.LogF("[%u] accept from %s port %u", static_cast<unsigned>(accepted.Fd()),
                 dataPeerAddress.HostText().c_str(), dataPeerAddress.Port());
    dataStream = std::make_unique<TcpDataStream>(control, std::move(accepted));
    return DataOpening::Open;
}

// The one retry of a transfer that active mode could not start.
FtpSession::DataOpening FtpSession::RetryInPassive(const char* reason, bool announcesSize) {
    SwitchDataMode(DataMode::Passive, reason);
    if (control.StopRequested()) return DataOpening::Refused;
    switch (ConnectPassive()) {
        case PassiveOutcome::Connected:
            return SendOverPassive(announcesSize);
        case PassiveOutcome::Unavailable:
            control.LogF("Passive mode refused as well.");
            break;
        case PassiveOutcome::Failed:
            break;
    }
    return DataOpening::NotAccepted;
}

// The transfer command over a data connection already made.
FtpSession::DataOpening FtpSession::SendOverPassive(bool announcesSize) {
    if (SendTransferCommand() != kPreliminary) {
        dataStream->Close();
        SoundBeep(EngineUi::BeepKind::Warning);
        return DataOpening::Refused;
    }
    if (announcesSize) ParseSizeFromReply();
    return DataOpening::Open;
}

void FtpSession::SwitchDataMode(DataMode mode, const char* reason) {
    dataModeInUse = mode;
    control.LogF("%s", reason);
}
