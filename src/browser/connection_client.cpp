#include "browser/connection_client.h"

#include <QPointer>

#include "ftp/ftp_session.h"

char TransferTypeFor(const ConnectionSettings& settings, const std::string& remoteName) {
    switch (settings.transferMode) {
        case 'F':
            return FtpSession::TypeForName(FtpSession::ExtensionKey(remoteName));
        case 'P':
            return 'I';
        default:
            return settings.transferMode;
    }
}

ConnectionClient::ConnectionClient(LogQueue& log, ConnectionSettings connectionSettings, QWidget* window)
    : QObject(window), settings(std::move(connectionSettings)), certificateQuestion(window) {
    connection = std::make_unique<Connection>(log, settings);
    connection->SetCertificateQuestion(&certificateQuestion);
    connection->Events().SetWakeUp([this] { wake.Wake(); });
    connect(&wake, &ThreadWake::woken, this, &ConnectionClient::TakeEvents);
}

ConnectionClient::~ConnectionClient() {
    handlers.clear();
    certificateQuestion.Cancel();  // a log-in waiting for the user would hold up the end
    connection.reset();  // cancels the running request and joins the thread
}

std::uint64_t ConnectionClient::Run(Request request, Done done) {
    const std::uint64_t id = connection->Submit(std::move(request));
    handlers[id] = std::move(done);
    return id;
}

void ConnectionClient::Cancel(std::uint64_t request) {
    if (handlers.count(request) == 0) return;
    // A log-in waiting for the certificate question is answered first, or the
    // cancel would wait for that question.
    certificateQuestion.CancelWaiting();
    connection->Cancel(request);
}

void ConnectionClient::CloseAndDelete() {
    certificateQuestion.Cancel();
    for (const auto& [id, done] : handlers) connection->Cancel(id);
    Run(request::Quit{}, [this](const RequestResult&) { deleteLater(); });
}

void ConnectionClient::TakeEvents() {
    const QPointer<ConnectionClient> self(this);
    for (ConnectionEvent& event : connection->Events().TakeAll()) {
        if (!event.finished) {
            emit progress(event.request, event.doneBytes, event.totalBytes);
            continue;
        }
        const auto handler = handlers.find(event.request);
        if (handler == handlers.end()) continue;
        const Done done = std::move(handler->second);
        handlers.erase(handler);
        // The handler may start further requests, or have this object
        // deleted (its owner disconnecting): nothing but the taken events is
        // used after it unless this object is still there.
        if (done) done(event.result);
        if (!self) return;
        if (handlers.empty()) emit idle();
    }
}
