#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "support/certificate_maker.h"

namespace testsupport {

// A TLS server thread on 127.0.0.1 for tests of the client side: it accepts
// the given number of connections one after another, does the server
// handshake on each (unless told not to) and runs the test's script on it.
// Its sockets give up after ten seconds of silence, so a failing client never
// hangs the test; the destructor joins the thread.
class LoopbackTlsServer {
public:
    // ssl is null when the server does not handshake (a silent server);
    // connection counts from 0.
    using Script = std::function<void(SSL* ssl, int fd, int connection)>;

    struct Options {
        CertificateFiles files;
        int connections = 1;
        bool handshake = true;
        int maxVersion = TLS1_3_VERSION;
    };

    LoopbackTlsServer(const Options& options, Script script);
    ~LoopbackTlsServer();
    LoopbackTlsServer(const LoopbackTlsServer&) = delete;
    LoopbackTlsServer& operator=(const LoopbackTlsServer&) = delete;

    bool Ok() const { return port != 0; }
    const std::string& Problem() const { return problem; }
    unsigned short Port() const { return port; }
    // How many server handshakes resumed a session, and how many completed.
    int Resumed() const { return resumed; }
    int Handshakes() const { return handshakes; }

private:
    void Serve(Options options, Script script);

    SSL_CTX* context = nullptr;
    int listener = -1;
    unsigned short port = 0;
    std::string problem;
    std::atomic<int> resumed{0};
    std::atomic<int> handshakes{0};
    std::thread thread;
};

}  // namespace testsupport
