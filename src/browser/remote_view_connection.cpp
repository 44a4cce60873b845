// Connecting to a site, disconnecting, and downloading a file to open it.
#include <QFileInfo>

#include "browser/app_context.h"
#include "browser/background_transfers.h"
#include "browser/desktop_certificate_question.h"
#include "browser/download_start_question.h"
#include "browser/file_types.h"
#include "browser/list_filter.h"
#include "browser/logon_failure_text.h"
#include "browser/profile_connection.h"
#include "browser/remote_drop_source.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "ftp/connection_settings.h"
#include "ftp/engine_ui.h"
#include "ftp/ftp_session.h"
#include "ftp/walk_loop_guard.h"
#include "ftp/walk_paths.h"
#include "platform/desktop/message_seam.h"
#include "sites/catalogue_entries.h"
#include "sites/store/catalogue_format.h"

namespace {

// The status bar's word on the connection just made.
QString SecurityText(const ConnectionProtection& protection) {
    if (!protection.ControlEncrypted()) return QStringLiteral("Not encrypted");
    const QString protocol = QString::fromStdString(protection.Protocol());
    if (!protection.DataEncrypted()) return QStringLiteral("Encrypted (%1), data not encrypted").arg(protocol);
    return QStringLiteral("Encrypted (%1)").arg(protocol);
}

}  // namespace

void RemoteView::ConnectToSite(SiteProfile profile, ConnectionKind kind) {
    bool cancelled = false;
    if (profile.prompt) cancelled = !dialogs.PromptConnection(this, profile, kind == ConnectionKind::Quick);
    if (!cancelled) {
        connectCancelled = false;
        Connect(profile, kind);
    }
}

bool RemoteView::Connect(SiteProfile& profile, ConnectionKind kind) {
    WaitCursor wait;
    ConnectionSettings connection;
    switch (ProfileConnectionSettings(profile, context.settings, connection)) {
        case ProfileOutcome::AnonymousWithoutEmail:
            ShowMessage(this, QStringLiteral("Please enter your e-mail address in the options dialog before "
                                             "connecting to anonymous FTP sites. Thanks."));
            return false;
        case ProfileOutcome::UnknownEncryption:
            context.log.Append(UnknownEncryptionProblem(profile));
            ShowMessage(this, ToQt(UnknownEncryptionProblem(profile)));
            return false;
        case ProfileOutcome::Ready:
            break;
    }
    FtpSession& session = context.session;
    if (session.IsConnected()) session.Quit();
    SetPlace({});
    session.Configure(connection);

    DesktopCertificateQuestion certificateQuestion(this);
    session.SetCertificateQuestion(&certificateQuestion);
    session.StartConnectWorker();
    if (ui && ui->WaitForWorker(EngineUi::WaitKind::Connecting, "", session.Status()) ==
                  EngineUi::WaitResult::Cancelled) {
        // A worker waiting for the certificate dialog is answered first, or
        // the cancel would wait for it for ever.
        certificateQuestion.Cancel();
        session.CancelWorker();
        connectCancelled = true;
    } else {
        session.JoinWorker();
    }
    session.SetCertificateQuestion(nullptr);
    const std::string& trusted = session.Protection().FingerprintToStore();
    if (!trusted.empty() && kind != ConnectionKind::Quick) {
        profile.tlsFingerprint = trusted;
        emit certificateTrusted(profile, trusted);
    }
    connectionSecurity = SecurityText(session.Protection());

    if (!session.IsConnected()) {
        ExplainFailedLogon();
        return false;
    }
    const bool quick = kind == ConnectionKind::Quick;
    const std::string& site = quick ? profile.host : profile.name;
    if (context.transfers) {
        // The queue's own connections log in the same way, trusting what the user trusted just now.
        if (!trusted.empty()) connection.trustedFingerprint = trusted;
        context.transfers->SiteConnected(QueueSiteKey(QString::fromStdString(site), quick), connection);
    }
    const QString home = AskLoginDirectory();
    SetPlace(RemotePlace{QString::fromStdString(site), home, home, true, quick});
    filter->Clear();
    if (profile.remoteDir.empty()) {
        LoadListing();
    } else {
        ChangeDirectory(QString::fromStdString(profile.remoteDir));
    }
    return true;
}

// Names the cause of a failed log-in in a box; the log keeps the details. A
// cancel (the user's, or the abort that ended the exchange) needs no box.
void RemoteView::ExplainFailedLogon() {
    FtpSession& session = context.session;
    if (session.Control().Aborted() || connectCancelled) return;
    const QString text = LogonFailureText(session.ConnectWorkerLogon(), session.Settings().timeoutSeconds);
    if (!text.isEmpty()) ShowMessage(this, text);
}

QString RemoteView::AskLoginDirectory() {
    ControlChannel& control = context.session.Control();
    std::string directory;
    if (control.Command("PWD") != kComplete || !ParseQuotedDirectory(control.ReplyText(), directory)) return {};
    return QString::fromStdString(directory);
}

void RemoteView::Disconnect(bool ask) {
    WaitCursor wait;
    if (!context.session.IsConnected()) {
        // The session ended under the list: it leaves the place without a
        // question, so that whoever asked for the disconnect sees it done.
        if (place.connected) ShowDisconnected();
        return;
    }
    if (ask && !AskYesNo(this, QStringLiteral("Are you sure you want to disconnect from ") + SessionHost())) return;
    context.session.Quit();
    ShowDisconnected();
}

void RemoteView::ShowDisconnected() {
    SetPlace({});
    // The catalogue's top level, as at start.
    ShowGroup({});
}

void RemoteView::DownloadAndOpen(const QString& name) {
    WaitCursor wait;
    // The name comes from the server: one that is not a plain file name would
    // put the download outside the download directory.
    if (!IsSafeLocalName(name.toStdString())) {
        ShowMessage(this, QStringLiteral("The server listed a file name that can't be saved safely: ") + name);
        return;
    }
    FtpSession& session = context.session;
    const QString localPath =
        QString::fromStdString(session.Settings().downloadDir + LocalNameFor(name.toStdString()));
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const DownloadStart start = AskHowToDownload(this, localPath);
    QApplication::restoreOverrideCursor();
    if (start == DownloadStart::Cancel) return;
    session.SetResume(start == DownloadStart::Resume);
    const ReplyClass result = session.DownloadFile(name.toStdString(), nullptr);
    session.SetResume(false);
    // A cancelled download closes the session and may report an earlier
    // transfer's result: nothing is opened, and the list leaves the session.
    if (LeaveClosedSession() || result != kComplete) return;
    if (context.settings.viewOnDoubleClick) OpenWithAssociation(this, localPath);
}

void RemoteView::startDragOut() {
    RemoteDropSource::StartDragOut(this, *list, context.session);
    LeaveClosedSession();
}
