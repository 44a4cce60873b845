#include "support/loopback_tls_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr int kSilenceLimitMs = 10000;

int ListenOnLoopback(unsigned short& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

void LimitSilence(int fd) {
    timeval limit{kSilenceLimitMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

// Waits (without letting OpenSSL block the thread forever) until the client
// closes its end or the silence limit passes.
void WaitForClientToGo(int fd) {
    pollfd entry{fd, POLLIN, 0};
    char byte;
    while (poll(&entry, 1, kSilenceLimitMs) > 0 && recv(fd, &byte, 1, 0) > 0) {
    }
}

}  // namespace

LoopbackTlsServer::LoopbackTlsServer(const Options& options, Script script) {
    context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr || SSL_CTX_set_max_proto_version(context, options.maxVersion) != 1 ||
        SSL_CTX_use_certificate_chain_file(context, options.files.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, options.files.key.c_str(), SSL_FILETYPE_PEM) != 1) {
        problem = "cannot set up the server's TLS context";
        return;
    }
    const unsigned char sessionContext[] = "quillmoor-tests";
    SSL_CTX_set_session_id_context(context, sessionContext, sizeof sessionContext - 1);
    listener = ListenOnLoopback(port);
    if (listener < 0) {
        problem = "cannot listen on 127.0.0.1";
        port = 0;
        return;
    }
    thread = std::thread(&LoopbackTlsServer::Serve, this, options, std::move(script));
}

LoopbackTlsServer::~LoopbackTlsServer() {
    if (listener >= 0) shutdown(listener, SHUT_RDWR);  // ends a pending accept
    if (thread.joinable()) thread.join();
    if (listener >= 0) close(listener);
    SSL_CTX_free(context);
}

void LoopbackTlsServer::Serve(Options options, Script script) {
    for (int connection = 0; connection < options.connections; ++connection) {
        pollfd entry{listener, POLLIN, 0};
        if (poll(&entry, 1, kSilenceLimitMs) <= 0) return;
        const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        LimitSilence(fd);
        if (!options.handshake) {
            script(nullptr, fd, connection);
            WaitForClientToGo(fd);
            close(fd);
            continue;
        }
        SSL* ssl = SSL_new(context);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            ++handshakes;
            if (SSL_session_reused(ssl) == 1) ++resumed;
            script(ssl, fd, connection);
        }
        SSL_free(ssl);
        close(fd);
    }
}

}  // namespace testsupport
