// Opening a transfer's data connection: each way in turn until one gives a
// data connection (passive: EPSV, PASV, then PORT or EPRT; active: PORT or
// EPRT, then EPSV and PASV). The way that worked is where the connection's
// later transfers start; a transfer for which none worked is not sent.
#include "ftp/file_transfer.h"
#include "platform/net/socket_error_codes.h"

namespace {

// The server's word for "I could not open the data connection" (vsftpd says it
// to the transfer command, others after their 150).
constexpr int kCannotOpenDataConnection = 425;

using Prepared = DataOpener::Prepared;

}  // namespace

// Everything a transfer does between its TYPE command and its data loop. A
// failed start leaves no listener or data socket behind; the two failures the
// user can do something about (no listener, a refused transfer command) sound
// the warning beep.
FileTransfer::DataOpening FileTransfer::OpenDataConnection(bool announcesSize) {
    if (dataModeInUse == DataMode::Active) return OpenActive(announcesSize, true);
    return OpenPassive(announcesSize, true);
}

// EPSV and PASV (the passive opener's own order), then active mode when
// mayTryActive.
FileTransfer::DataOpening FileTransfer::OpenPassive(bool announcesSize, bool mayTryActive) {
    switch (passiveOpener.Prepare()) {
        case Prepared::Ready:
            dataModeInUse = DataMode::Passive;
            return SendOverPassive(announcesSize);
        case Prepared::Unavailable:
        case Prepared::Refused:
            break;
        case Prepared::Failed:
            return DataOpening::NotAccepted;  // like an active connection that never came: no beep
    }
    if (control.StopRequested()) return DataOpening::Refused;
    if (!mayTryActive) {
        control.LogF("Passive mode refused as well; the transfer is not started.");
        return DataOpening::NotAccepted;
    }
    control.LogF("Passive mode refused; switching to active mode.");
    return OpenActive(announcesSize, false);
}

// The listener, PORT, the transfer command and the server's connection. A
// server that refuses PORT, or cannot reach the listener, gets the transfer
// again in passive mode when mayTryPassive.
FileTransfer::DataOpening FileTransfer::OpenActive(bool announcesSize, bool mayTryPassive) {
    const Prepared prepared = activeOpener.Prepare();
    if (prepared == Prepared::Failed) {
        activeOpener.Close();
        if (!control.Aborted()) SoundBeep(EngineUi::BeepKind::Warning);
        return DataOpening::NoListener;
    }
    if (prepared != Prepared::Ready) {
        activeOpener.Close();
        if (mayTryPassive)
            return RetryInPassive("Active mode refused; switching to passive mode.", announcesSize);
        control.LogF("Active mode refused as well; the transfer is not started.");
        return DataOpening::NotAccepted;
    }
    dataModeInUse = DataMode::Active;
    if (SendTransferCommand() != kPreliminary) {
        activeOpener.Close();
        if (mayTryPassive && control.ReplyCode() == kCannotOpenDataConnection && !control.Aborted()) {
            return RetryInPassive("The server could not connect in active mode; switching to passive mode.",
                                  announcesSize);
        }
        SoundBeep(EngineUi::BeepKind::Warning);
        return DataOpening::Refused;
    }
    if (announcesSize) ParseSizeFromReply();
    int errorCode = 0;
    std::unique_ptr<DataStream> accepted = activeOpener.Complete(errorCode);
    if (!accepted) {
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
    return UseDataConnection(std::move(accepted));
}

// The one retry of a transfer that active mode could not start.
FileTransfer::DataOpening FileTransfer::RetryInPassive(const char* reason, bool announcesSize) {
    control.LogF("%s", reason);
    if (control.StopRequested()) return DataOpening::Refused;
    return OpenPassive(announcesSize, false);
}

// The transfer command over a data connection already made.
FileTransfer::DataOpening FileTransfer::SendOverPassive(bool announcesSize) {
    if (SendTransferCommand() != kPreliminary) {
        passiveOpener.Close();
        SoundBeep(EngineUi::BeepKind::Warning);
        return DataOpening::Refused;
    }
    if (announcesSize) ParseSizeFromReply();
    int errorCode = 0;
    return UseDataConnection(passiveOpener.Complete(errorCode));
}

// Every opened data connection becomes the transfer's stream here, encrypted
// when the connection protects its data. A data connection whose TLS cannot
// start carries nothing; the server's reply to the transfer command is read
// all the same (unless the wait was stopped), so the next command stays in step.
FileTransfer::DataOpening FileTransfer::UseDataConnection(std::unique_ptr<DataStream> opened) {
    dataStream = protection.ProtectData(std::move(opened));
    if (dataStream) return DataOpening::Open;
    if (!control.Aborted()) control.ReadReply();
    return DataOpening::NotAccepted;
}

void FileTransfer::SwitchDataMode(DataMode mode, const char* reason) {
    dataModeInUse = mode;
    control.LogF("%s", reason);
}
