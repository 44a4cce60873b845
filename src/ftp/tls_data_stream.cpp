#include "ftp/tls_data_stream.h"

#include "ftp/progress_publisher.h"
#include "platform/net/socket_error_codes.h"

TlsDataStream::TlsDataStream(ControlChannel& control, std::unique_ptr<DataStream> connection,
                             const tls::ClientContext& context, std::shared_ptr<tls::SessionKeeper> sessions)
    : control(control),
      connection(std::move(connection)),
      tls(context, this->connection->Fd(), control.Waiter(), sessions),
      sessions(std::move(sessions)) {}

bool TlsDataStream::Handshake(const std::string& peerName) {
    const tls::StreamResult result = tls.Handshake(peerName, sessions->TakeForResumption());
    if (result.Ok()) return true;
    FailureCode(result, "TLS handshake on the data connection failed");
    return false;
}

int TlsDataStream::FailureCode(const tls::StreamResult& result, const char* what) {
    switch (result.status) {
        case tls::StreamStatus::Ok:
        case tls::StreamStatus::Closed:
            return 0;
        case tls::StreamStatus::Cancelled:
            control.Abort();
            return net::kErrorCancelled;
        case tls::StreamStatus::TimedOut:
            return net::kErrorTimedOut;  // the wait has logged it and aborted
        case tls::StreamStatus::Truncated:
            control.LogF("%s: the server ended the connection without closing TLS, so data may be missing.",
                         what);
            return net::kErrorConnectionReset;
        case tls::StreamStatus::Failed:
            break;
    }
    control.LogF("%s: %s", what, result.message.c_str());
    return net::kErrorConnectionReset;
}

long TlsDataStream::Receive(char* into, std::size_t capacity, int& errorCode) {
    if (control.StopRequestedRelaxed()) {
        control.Abort();
        errorCode = net::kErrorCancelled;
        return -1;
    }
    if (peerClosed || endedWithoutClose) return 0;
    const tls::StreamResult result = tls.Read(into, capacity);
    if (result.Ok()) {
        receivedLength += static_cast<std::int64_t>(result.bytes);
        return static_cast<long>(result.bytes);
    }
    if (result.status == tls::StreamStatus::Closed) {
        peerClosed = true;
        return 0;
    }
    if (result.status == tls::StreamStatus::Truncated && EndsAtAnnouncedLength()) return 0;
    errorCode = FailureCode(result, "TLS data connection");
    return -1;
}

bool TlsDataStream::EndsAtAnnouncedLength() {
    if (announcedLength < 0 || receivedLength != announcedLength) return false;
    endedWithoutClose = true;
    control.LogF(
        "The server ended the TLS data connection without closing TLS after the %lld bytes announced; "
        "the data is taken as complete.",
        static_cast<long long>(receivedLength));
    return true;
}

long TlsDataStream::Send(const char* bytes, std::size_t length, ReplyClass& status) {
    if (control.StopRequestedRelaxed()) {
        control.Abort();
        status = kAborted;
        return -1;
    }
    const tls::StreamResult result = tls.Write(bytes, length);
    if (result.Ok()) {
        status = kComplete;
        return static_cast<long>(result.bytes);
    }
    FailureCode(result, "Send");
    status = control.Aborted() ? kAborted : kPermanent;
    return -1;
}

ReplyClass TlsDataStream::Finish(std::int64_t count, ProgressPublisher& progress) {
    const tls::StreamResult result = tls.Finish();
    if (!result.Ok()) {
        FailureCode(result, "Send");
        return control.Aborted() ? kAborted : kPermanent;
    }
    progress.Publish(count);
    return kComplete;
}

int TlsDataStream::Shutdown() {
    if (peerClosed) tls.Finish();
    return connection->Shutdown();
}

void TlsDataStream::Close() {
    // A stopped worker's streams are closed by the cancel sequence.
    if (!control.StopRequested()) tls.Close();
    connection->Close();
}
