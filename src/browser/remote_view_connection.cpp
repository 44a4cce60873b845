// Connecting to a site, disconnecting, running the view's requests, and
// downloading a file to open it.
#include <QFileInfo>

#include "browser/app_context.h"
#include "browser/background_transfers.h"
#include "browser/connection_client.h"
#include "browser/download_start_question.h"
#include "browser/file_types.h"
#include "browser/list_filter.h"
#include "browser/profile_connection.h"
#include "browser/remote_drop_source.h"
#include "browser/remote_view.h"
#include "browser/request_progress_dialog.h"
#include "ftp/connection_settings.h"
#include "browser/transfer_mode_dialog.h"
#include "ftp/walk_paths.h"
#include "platform/desktop/message_seam.h"
#include "sites/catalogue_entries.h"
#include "sites/store/catalogue_format.h"

namespace {

// The status bar's word on the connection just made.
QString SecurityText(const LoginFacts& facts) {
    if (facts.protocol.empty()) return QStringLiteral("Not encrypted");
    const QString protocol = QString::fromStdString(facts.protocol);
    if (!facts.dataEncrypted) return QStringLiteral("Encrypted (%1), data not encrypted").arg(protocol);
    return QStringLiteral("Encrypted (%1)").arg(protocol);
}

}  // namespace

bool RemoteView::Connected() const { return connection && place.connected; }

bool RemoteView::Busy() const { return connection && connection->Busy(); }

ConnectionClient* RemoteView::Client() const { return connection; }

// A result that comes back from a connection the view has since left (a
// disconnect, another site) belongs to nothing it shows: it is dropped.
void RemoteView::Run(Request request, std::function<void(const RequestResult&)> done) {
    if (!connection) return;
    connection->Run(std::move(request), ForThisConnection(std::move(done)));
}

std::function<void(const RequestResult&)> RemoteView::ForThisConnection(
    std::function<void(const RequestResult&)> done) {
    return [this, from = QPointer<ConnectionClient>(connection), done = std::move(done)](const RequestResult& result) {
        if (from && from == connection) done(result);
    };
}

void RemoteView::RunShown(Request request, const QString& title, const QString& text,
                          std::function<void(const RequestResult&)> done) {
    if (!connection) return;
    delete progress;
    auto* dialog = new RequestProgressDialog(title, text, this);
    progress = dialog;
    if (!dialog->Announce()) {
        delete dialog;
        done(Result<void>(Error(Error::Category::Cancelled, "Cancelled")));
        return;
    }
    const std::uint64_t id = connection->Run(
        std::move(request), [dialog = QPointer<RequestProgressDialog>(dialog),
                             done = ForThisConnection(std::move(done))](const RequestResult& result) {
            delete dialog;
            done(result);
        });
    ConnectionClient* client = connection;
    connect(dialog, &RequestProgressDialog::cancelRequested, client, [client, id] { client->Cancel(id); });
    connect(client, &ConnectionClient::progress, dialog, [dialog, id](std::uint64_t request, qint64 done, qint64 total) {
        if (request == id) dialog->ShowProgress(done, total);
    });
}

void RemoteView::ConnectToSite(SiteProfile profile, ConnectionKind kind) {
    bool cancelled = false;
    if (profile.prompt) cancelled = !dialogs.PromptConnection(this, profile, kind == ConnectionKind::Quick);
    if (!cancelled) Connect(profile, kind);
}

void RemoteView::Connect(const SiteProfile& given, ConnectionKind kind, const QString& sitePath) {
    SiteProfile profile = given;
    ConnectionSettings settings;
    switch (ProfileConnectionSettings(profile, context.settings, settings)) {
        case ProfileOutcome::AnonymousWithoutEmail:
            ShowMessage(this, QStringLiteral("Please enter your e-mail address in the options dialog before "
                                             "connecting to anonymous FTP sites. Thanks."));
            return;
        case ProfileOutcome::UnknownEncryption:
            context.log.Append(UnknownEncryptionProblem(profile));
            ShowMessage(this, ToQt(UnknownEncryptionProblem(profile)));
            return;
        case ProfileOutcome::Ready:
            break;
    }
    EndConnection();
    SetPlace({});
    connection = new ConnectionClient(context.log, settings, this);
    connect(connection, &ConnectionClient::idle, this, &RemoteView::idle);
    host = QString::fromStdString(settings.host);
    RunShown(request::Connect{}, QStringLiteral("Connecting"),
             QStringLiteral("Connecting to %1").arg(host),
             [this, profile, kind, settings, sitePath](const RequestResult& result) {
                 const auto* facts = std::get_if<Result<LoginFacts>>(&result);
                 if (facts == nullptr || !facts->Ok()) {
                     const Error& failure = FailureOf(result);
                     EndConnection();
                     if (failure.category != Error::Category::Cancelled && !failure.message.empty())
                         ShowMessage(this, QString::fromStdString(failure.message));
                     return;
                 }
                 LoggedIn(profile, kind, settings, facts->Value(), sitePath);
             });
}

void RemoteView::LoggedIn(const SiteProfile& given, ConnectionKind kind, ConnectionSettings settings,
                          const LoginFacts& facts, const QString& sitePath) {
    SiteProfile profile = given;
    const bool quick = kind == ConnectionKind::Quick;
    const std::string& trusted = facts.fingerprintToStore;
    if (!trusted.empty() && !quick) {
        profile.tlsFingerprint = trusted;
        emit certificateTrusted(profile, trusted);
    }
    connectionSecurity = SecurityText(facts);
    const std::string& site = quick ? profile.host : profile.name;
    if (context.transfers) {
        // The queue's own connections log in the same way, trusting what the user trusted just now.
        if (!trusted.empty()) settings.trustedFingerprint = trusted;
        context.transfers->SiteConnected(QueueSiteKey(QString::fromStdString(site), quick), settings);
    }
    const QString home = QString::fromStdString(facts.home);
    SetPlace(RemotePlace{QString::fromStdString(site), home, home, true, quick});
    filter->Clear();
    if (!sitePath.isEmpty()) {
        ChangeDirectory(remote_path::Resolve(home, sitePath));
    } else if (!profile.remoteDir.empty()) {
        ChangeDirectory(QString::fromStdString(profile.remoteDir));
    } else {
        LoadListing();
    }
}

// The connection goes; a request still running is cancelled, and the server
// is told goodbye without the window waiting for its answer.
void RemoteView::EndConnection() {
    delete progress;
    pendingPath.clear();
    if (connection) connection.data()->CloseAndDelete();
    connection = nullptr;
}

bool RemoteView::LeftLostSession(const Error& error) {
    // 421: the server is closing the connection.
    if (error.category != Error::Category::Connection && error.replyCode != 421) return false;
    Disconnect(false);
    ShowMessage(this, QStringLiteral("The connection was closed without me knowing about it, try logging on again."));
    return true;
}

void RemoteView::Disconnect(bool ask) {
    if (!connection) {
        // The session ended under the list: it leaves the place without a
        // question, so that whoever asked for the disconnect sees it done.
        if (place.connected) ShowDisconnected();
        return;
    }
    if (ask && !AskYesNo(this, QStringLiteral("Are you sure you want to disconnect from ") + SessionHost())) return;
    EndConnection();
    ShowDisconnected();
}

void RemoteView::ShowDisconnected() {
    SetPlace({});
    // The catalogue's top level, as at start.
    ShowGroup({});
}

std::string RemoteView::PathOf(const QString& name) const {
    return remote_path::Resolve(place.path, name).toStdString();
}

void RemoteView::DownloadAndOpen(const QString& name) {
    // The name comes from the server: one that is not a plain file name would
    // put the download outside the download directory.
    if (!IsSafeLocalName(name.toStdString())) {
        ShowMessage(this, QStringLiteral("The server listed a file name that can't be saved safely: ") + name);
        return;
    }
    if (!connection) return;
    const ConnectionSettings& settings = connection->Settings();
    const QString localPath = QString::fromStdString(settings.downloadDir + LocalNameFor(name.toStdString()));
    const DownloadStart start = AskHowToDownload(this, localPath);
    if (start == DownloadStart::Cancel) return;
    // The Transfer Mode question offers no choice that is read: a transfer
    // that goes on is sent in binary, which never alters the bytes.
    if (settings.transferMode == 'P' && !AskTransferMode(this)) return;
    request::Transfer transfer{TransferRequest::Direction::Download, PathOf(name), localPath.toStdString(),
                               TransferTypeFor(settings, name.toStdString()), start == DownloadStart::Resume};
    RunShown(std::move(transfer), QStringLiteral("Transfer Status"),
             QStringLiteral("Retrieving %1 From %2").arg(name, host), [this, localPath](const RequestResult& result) {
                 const Error& failure = FailureOf(result);
                 if (failure.category == Error::Category::None) {
                     if (context.settings.viewOnDoubleClick) OpenWithAssociation(this, localPath);
                     return;
                 }
                 LeftLostSession(failure);
             });
}

void RemoteView::startDragOut() {
    if (!connection) return;
    RemoteDropSource::StartDragOut(this, *list, *connection, place.path);
}
