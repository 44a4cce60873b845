#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "browser/desktop_certificate_question.h"
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

    // Certificates that cannot be verified are asked about over window (see
    // DesktopCertificateQuestion).
    ConnectionClient(LogQueue& log, ConnectionSettings settings, QWidget* window = nullptr);
    ~ConnectionClient() override;  // cancels what runs; no handler is called

    const ConnectionSettings& Settings() const { return settings; }

    // Queues a request; done runs on this thread once it has finished
    // (cancelled ones too). Returns the request's number.
    std::uint64_t Run(Request request, Done done);
    // Also answers Cancel to a certificate question the request waits on.
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
    // Both before the connection, so that they outlive the connection's thread.
    ThreadWake wake;
    DesktopCertificateQuestion certificateQuestion;
    std::unique_ptr<Connection> connection;
    std::map<std::uint64_t, Done> handlers;
};
