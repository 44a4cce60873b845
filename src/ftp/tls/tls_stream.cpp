#include "ftp/tls/tls_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "ftp/tls/client_context.h"
#include "ftp/tls/socket_bio.h"

namespace tls {

namespace {

bool IsIpAddress(const std::string& text) {
    unsigned char address[16];
    return inet_pton(AF_INET, text.c_str(), address) == 1 || inet_pton(AF_INET6, text.c_str(), address) == 1;
}

// "[::1]" names the address ::1.
std::string WithoutBrackets(const std::string& name) {
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') return name.substr(1, name.size() - 2);
    return name;
}

StreamResult Failure(StreamStatus status, std::string message) { return {status, 0, std::move(message)}; }

// "TLS read failed: detail"; the handshake has no prefix of its own, because
// its callers name the connection it was for.
std::string Described(const char* what, const std::string& detail) {
    return *what == '\0' ? detail : std::string(what) + ": " + detail;
}

}  // namespace

SocketWaiter WaiterWithWakeAndLimit(int wakeFd, std::chrono::milliseconds limit) {
    return [wakeFd, limit](int fd, short events) { return net::WaitForSocket(fd, events, wakeFd, limit); };
}

TlsStream::TlsStream(const ClientContext& context, int fd, SocketWaiter waiter,
                     std::shared_ptr<SessionKeeper> sessions)
    : fd(fd), waiter(std::move(waiter)), sessions(std::move(sessions)) {
    if (!context.Ok()) {
        setupProblem = context.Problem();
        return;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        setupProblem = std::string("cannot prepare the socket for TLS: ") + std::strerror(errno);
        return;
    }
    ssl = SSL_new(context.Handle());
    BIO* bio = ssl != nullptr ? NewSocketBio(fd) : nullptr;
    if (bio == nullptr) {
        setupProblem = TakeOpenSslError("cannot start TLS");
        Close();
        return;
    }
    SSL_set_bio(ssl, bio, bio);
    SSL_set_app_data(ssl, this);
}

TlsStream::~TlsStream() { Close(); }

StreamResult TlsStream::Handshake(const std::string& peerName, const SessionHandle& resumeFrom) {
    if (ssl == nullptr) return Failure(StreamStatus::Failed, setupProblem);
    const std::string name = WithoutBrackets(peerName);
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl);
    bool named = false;
    if (IsIpAddress(name)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(check, name.c_str()) == 1;
    } else {
        X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        named = X509_VERIFY_PARAM_set1_host(check, name.c_str(), 0) == 1 &&
                SSL_set_tlsext_host_name(ssl, name.c_str()) == 1;
    }
    if (!named) return Failure(StreamStatus::Failed, TakeOpenSslError("cannot check the name " + name));
    if (resumeFrom && SSL_set_session(ssl, resumeFrom.get()) != 1) {
        return Failure(StreamStatus::Failed, TakeOpenSslError("cannot offer the TLS session"));
    }
    StreamResult result = Drive("", [this] { return SSL_connect(ssl); });
    established = result.Ok();
    return result;
}

StreamResult TlsStream::Unusable() const {
    if (ssl == nullptr) return Failure(StreamStatus::Failed, setupProblem);
    if (failed) return Failure(StreamStatus::Failed, "the TLS stream had already failed");
    return {};
}

StreamResult TlsStream::Read(char* buffer, std::size_t size) {
    if (StreamResult refused = Unusable(); !refused.Ok()) return refused;
    std::size_t got = 0;
    StreamResult result = Drive("TLS read failed", [&] { return SSL_read_ex(ssl, buffer, size, &got); });
    result.bytes = got;
    return result;
}

StreamResult TlsStream::Write(const char* data, std::size_t size) {
    if (StreamResult refused = Unusable(); !refused.Ok()) return refused;
    std::size_t done = 0;
    while (done < size) {
        std::size_t written = 0;
        StreamResult step =
            Drive("TLS write failed", [&] { return SSL_write_ex(ssl, data + done, size - done, &written); });
        if (!step.Ok()) {
            step.bytes = done;
            return step;
        }
        done += written;
    }
    return {StreamStatus::Ok, done, {}};
}

StreamResult TlsStream::Finish() {
    // After a fatal error OpenSSL sends no close_notify.
    if (StreamResult refused = Unusable(); !refused.Ok()) return refused;
    // SSL_shutdown returns 0 once close_notify is sent and 1 once the peer's
    // has come too; calling it again waits for the peer's. The end of the
    // TCP stream follows close_notify, for servers that wait for it rather
    // than answer close_notify before they close.
    bool sent = false;
    StreamResult result = Drive("TLS close failed", [&] {
        const int done = SSL_shutdown(ssl);
        if (done == 0 && !sent) {
            sent = true;
            ::shutdown(fd, SHUT_WR);
            return SSL_shutdown(ssl);
        }
        return done;
    });
    // A peer that closes the connection instead of answering our close_notify
    // has still received everything we sent before it.
    if (result.status == StreamStatus::Closed || result.status == StreamStatus::Truncated) return {};
    return result;
}

void TlsStream::Close() {
    if (ssl == nullptr) return;
    SSL_free(ssl);
    ssl = nullptr;
}

StreamResult TlsStream::Drive(const char* what, const std::function<int()>& call) {
    StreamResult result = Exchange(what, call);
    // Timed out and cancelled exchanges count too: the record layer may be
    // half-way through a record, so nothing more can be sent or read safely.
    if (result.status != StreamStatus::Ok && result.status != StreamStatus::Closed) failed = true;
    return result;
}

StreamResult TlsStream::Exchange(const char* what, const std::function<int()>& call) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        const int outcome = call();
        // OpenSSL would only decline with a warning and read on; the stream
        // ends instead, so a server cannot change keys or certificate midway.
        if (renegotiationAsked) {
            return Failure(StreamStatus::Failed,
                           Described(what, "the server asked to renegotiate TLS, which is refused"));
        }
        if (outcome > 0) return {};
        const int socketError = errno;
        switch (SSL_get_error(ssl, outcome)) {
            case SSL_ERROR_WANT_READ: {
                StreamResult waited = Wait(POLLIN);
                if (!waited.Ok()) return waited;
                continue;
            }
            case SSL_ERROR_WANT_WRITE: {
                StreamResult waited = Wait(POLLOUT);
                if (!waited.Ok()) return waited;
                continue;
            }
            case SSL_ERROR_ZERO_RETURN:
                return Failure(StreamStatus::Closed, "the server closed the TLS stream");
            case SSL_ERROR_SYSCALL:
                if (socketError == 0) {
                    return Failure(StreamStatus::Truncated, "the connection ended without a TLS close");
                }
                return Failure(StreamStatus::Failed, Described(what, std::strerror(socketError)));
            case SSL_ERROR_SSL:
                if (ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
                    ERR_clear_error();
                    return Failure(StreamStatus::Truncated, "the connection ended without a TLS close");
                }
                [[fallthrough]];
            default:
                return Failure(StreamStatus::Failed, TakeOpenSslError(what));
        }
    }
}

StreamResult TlsStream::Wait(short events) {
    switch (waiter(fd, events)) {
        case net::WaitStatus::Ready:
            return {};
        case net::WaitStatus::Woken:
            return Failure(StreamStatus::Cancelled, "cancelled");
        case net::WaitStatus::TimedOut:
            return Failure(StreamStatus::TimedOut, "the server did not answer in time");
        case net::WaitStatus::Failed:
            break;
    }
    return Failure(StreamStatus::Failed,
                   std::string("waiting for the socket failed: ") + std::strerror(errno));
}

bool TlsStream::SessionReused() const { return ssl != nullptr && SSL_session_reused(ssl) == 1; }

int TlsStream::KeepNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* stream = static_cast<TlsStream*>(SSL_get_app_data(ssl));
    if (stream == nullptr || !stream->sessions) return 0;  // 0: OpenSSL frees it
    stream->sessions->Keep(SessionHandle(session, &SSL_SESSION_free));
    return 1;  // the reference is the keeper's now
}

void TlsStream::NoteHandshakeMessage(int written, int, int contentType, const void* bytes, std::size_t length,
                                     SSL* ssl, void*) {
    if (written != 0 || contentType != SSL3_RT_HANDSHAKE || length == 0) return;
    if (static_cast<const unsigned char*>(bytes)[0] != SSL3_MT_HELLO_REQUEST) return;
    // One that comes during the handshake is ignored, as the protocol asks.
    auto* stream = static_cast<TlsStream*>(SSL_get_app_data(ssl));
    if (stream != nullptr && stream->established) stream->renegotiationAsked = true;
}

std::string TlsStream::ProtocolAndCipher() const {
    if (ssl == nullptr) return {};
    return Protocol() + ", cipher " + Cipher();
}

std::string TlsStream::Protocol() const { return ssl != nullptr ? SSL_get_version(ssl) : ""; }

std::string TlsStream::Cipher() const { return ssl != nullptr ? SSL_get_cipher_name(ssl) : ""; }

CertificateFacts TlsStream::PeerCertificate() const {
    if (ssl == nullptr) return {};
    return DescribeCertificate(SSL_get0_peer_certificate(ssl));
}

Verification TlsStream::PeerVerification() const {
    if (ssl == nullptr || SSL_get0_peer_certificate(ssl) == nullptr) {
        return {CertificateProblem::NoCertificate, "The server sent no certificate."};
    }
    return VerificationFromResult(SSL_get_verify_result(ssl));
}

}  // namespace tls
