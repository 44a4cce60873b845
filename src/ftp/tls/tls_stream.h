#pragma once

#include <openssl/ssl.h>
#include <poll.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "ftp/tls/certificate_facts.h"
#include "ftp/tls/session_keeper.h"
#include "platform/net/socket_wait.h"

namespace tls {

class ClientContext;

// Waits until fd has one of the poll events (POLLIN, POLLOUT). The engine
// passes a waiter over its wake descriptor and time limit: Woken is Cancel,
// TimedOut a silent peer.
using SocketWaiter = std::function<net::WaitStatus(int fd, short events)>;

// The engine's usual waiter: net::WaitForSocket with a wake descriptor (-1:
// none) and a time limit for each wait (zero: none).
SocketWaiter WaiterWithWakeAndLimit(int wakeFd, std::chrono::milliseconds limit);

enum class StreamStatus {
    Ok,
    Closed,     // the peer ended the stream with close_notify: a clean end
    Truncated,  // the connection ended without close_notify: data may be missing
    Cancelled,  // the waiter was woken
    TimedOut,
    Failed,  // a TLS or socket error; message says which
};

struct StreamResult {
    StreamStatus status = StreamStatus::Ok;
    std::size_t bytes = 0;  // bytes read or written
    std::string message;

    bool Ok() const { return status == StreamStatus::Ok; }
};

// The client side of TLS over an already connected socket, for FTPS control
// and data connections. The socket stays owned by the caller; the stream puts
// it into non-blocking mode and waits through the waiter whenever OpenSSL
// needs to read or write, so Cancel and time limits end every wait.
// Read/Write/Finish/Close mirror a plain stream, so a plain and a TLS data
// stream can sit behind one interface. Any result other than Ok or Closed
// (truncation, failure, cancel, time limit) leaves the stream unusable: the
// record layer may be half-way through a record, so later calls fail at once
// and no close_notify is sent.
class TlsStream {
public:
    // sessions, if given, receives every session the server hands out on
    // this stream (the connection's keeper, shared with its other streams).
    TlsStream(const ClientContext& context, int fd, SocketWaiter waiter,
              std::shared_ptr<SessionKeeper> sessions = nullptr);
    ~TlsStream();
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // The client handshake. peerName (host name or IP address text) is sent
    // as SNI (names only) and checked against the certificate; resumeFrom, if
    // given, is offered for resumption (a data connection passes its
    // keeper's TakeForResumption()). Failure messages carry no "handshake
    // failed" prefix: the caller names the connection it was for. The
    // certificate is not judged here: read PeerVerification() and
    // PeerCertificate() and decide before sending anything.
    StreamResult Handshake(const std::string& peerName, const SessionHandle& resumeFrom = nullptr);

    // Reads up to size bytes (at least one unless the result is not Ok).
    // Closed: the peer's close_notify came, the data is complete. Truncated:
    // the connection ended without it, the data must be treated as incomplete.
    StreamResult Read(char* buffer, std::size_t size);
    // Writes all size bytes.
    StreamResult Write(const char* data, std::size_t size);
    // Ends the stream properly: sends close_notify and ends the socket's
    // sending side, then waits (through the waiter) for the peer's
    // close_notify or its end of the connection, so no unread bytes make the
    // socket's close a reset that could cost the peer the last data.
    StreamResult Finish();
    // Drops the TLS state without further exchange (after a failure, or
    // instead of Finish on an abort); the socket remains the caller's to close.
    void Close();

    // True when the handshake resumed the offered session.
    bool SessionReused() const;
    // "TLSv1.3, cipher TLS_AES_256_GCM_SHA384" for the log.
    std::string ProtocolAndCipher() const;
    // The parts of it: "TLSv1.3" and "TLS_AES_256_GCM_SHA384".
    std::string Protocol() const;
    std::string Cipher() const;
    CertificateFacts PeerCertificate() const;
    Verification PeerVerification() const;

    // OpenSSL's new-session callback (installed by ClientContext).
    static int KeepNewSession(SSL* ssl, SSL_SESSION* session);
    // OpenSSL's message callback (installed by ClientContext): notes a
    // server's request to renegotiate, which ends the stream.
    static void NoteHandshakeMessage(int written, int version, int contentType, const void* bytes,
                                     std::size_t length, SSL* ssl, void* argument);

private:
    // Runs one OpenSSL call until it succeeds, waiting whenever it wants the
    // socket readable or writable; maps its failure to a result (Exchange)
    // and marks the stream failed when it did not end well (Drive).
    StreamResult Drive(const char* what, const std::function<int()>& call);
    StreamResult Exchange(const char* what, const std::function<int()>& call);
    StreamResult Wait(short events);
    // Not Ok when the stream cannot be used: never set up, or failed before.
    StreamResult Unusable() const;

    SSL* ssl = nullptr;
    int fd = -1;
    SocketWaiter waiter;
    std::shared_ptr<SessionKeeper> sessions;
    std::string setupProblem;
    bool failed = false;
    bool established = false;  // the handshake has completed
    bool renegotiationAsked = false;
};

}  // namespace tls
