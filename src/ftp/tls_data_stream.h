#pragma once

#include <memory>
#include <string>

#include "ftp/control_channel.h"
#include "ftp/data_stream.h"
#include "ftp/tls/client_context.h"
#include "ftp/tls/tls_stream.h"

// A data connection under PROT P: TLS over an opened plain connection,
// resuming the control connection's TLS session (servers refuse data
// connections that do not). Its waits are the control channel's, so a stop
// request and the time limit end them as on a plain connection. A stream
// that ends without the server's close_notify is an error, unless it ends
// after exactly the bytes the server announced (servers that close the
// socket at once are common): that end is logged and taken as the file's.
class TlsDataStream : public DataStream {
public:
    TlsDataStream(ControlChannel& control, std::unique_ptr<DataStream> connection,
                  const tls::ClientContext& context, std::shared_ptr<tls::SessionKeeper> sessions);

    // The handshake; false (logged) when the connection cannot be used.
    bool Handshake(const std::string& peerName);
    const tls::TlsStream& Tls() const { return tls; }

    bool IsOpen() const override { return connection->IsOpen(); }
    unsigned Number() const override { return connection->Number(); }
    int Fd() const override { return connection->Fd(); }
    long Receive(char* into, std::size_t capacity, int& errorCode) override;
    long Send(const char* bytes, std::size_t length, ReplyClass& status) override;
    std::int64_t Unacknowledged() const override { return connection->Unacknowledged(); }
    void SetAnnouncedLength(std::int64_t bytes) override { announcedLength = bytes; }
    bool EndedWithoutClose() const override { return endedWithoutClose; }
    // Sends close_notify and waits for the server's answer or its end of the
    // connection, by which time it has read everything.
    ReplyClass Finish(std::int64_t count, ProgressPublisher& progress) override;
    // After a download the server's close_notify is answered first.
    int Shutdown() override;
    void Close() override;

private:
    // Logs a failed or broken TLS exchange (a cancel or a time limit has
    // logged its own line) and gives the socket error number it stands for.
    int FailureCode(const tls::StreamResult& result, const char* what);
    // A truncated end after exactly the announced bytes: logged, and true.
    bool EndsAtAnnouncedLength();

    ControlChannel& control;
    std::unique_ptr<DataStream> connection;
    tls::TlsStream tls;
    std::shared_ptr<tls::SessionKeeper> sessions;
    bool peerClosed = false;
    std::int64_t announcedLength = -1;
    std::int64_t receivedLength = 0;
    bool endedWithoutClose = false;
};
