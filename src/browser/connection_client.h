#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "ftp/connection.h"
#include "platform/desktop/thread_wake.h"

// The type a transfer of this file goes in when nobody is asked: the
// settings' own, the extension table's for 'F', and binary for 'P'.
char TransferTypeFor(const ConnectionSettings& settings, const std::string& remoteName);

// The user-interface thread's side of a Connection: requests go in from
// here, and the handler of each runs here when it has finished, in the order
// they finish. Progress leaves as a signal. The connection's thread wakes
// this one through a ThreadWake, once for any number of events, and never
// touches a Qt object.
class ConnectionClient : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const RequestResult&)>;

    ConnectionClient(LogQueue& log, ConnectionSettings settings, QObject* parent = nullptr);
    ~ConnectionClient() override;  // cancels what runs; no handler is called

    // See Connection::SetCertificateQuestion.
    void SetCertificateQuestion(tls::CertificateQuestion* question);
    const ConnectionSettings& Settings() const { return settings; }

    // Queues a request; done runs on this thread once it has finished
    // (cancelled ones too). Returns the request's number.
    std::uint64_t Run(Request request, Done done);
    void Cancel(std::uint64_t request);
    // Whether a request is queued or running.
    bool Busy() const { return !handlers.empty(); }

    // Ends the session politely (QUIT, then the connection closes) and deletes
    // this object once that is done; requests still queued are cancelled.
    void CloseAndDelete();

signals:
    // A running transfer's bytes so far and its size (-1: unknown).
    void progress(std::uint64_t request, qint64 doneBytes, qint64 totalBytes);
    // The last request in hand has finished.
    void idle();

private:
    void TakeEvents();

    const ConnectionSettings settings;
    ThreadWake wake;  // before the connection, so it outlives the connection's thread
    std::unique_ptr<Connection> connection;
    std::map<std::uint64_t, Done> handlers;
};
