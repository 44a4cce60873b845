#pragma once

#include <openssl/types.h>

#include <string>

namespace tls {

// Highest protocol a context offers. Data connections to servers whose TLS 1.3
// session reuse is broken can be held at 1.2.
enum class MaxVersion { Tls13, Tls12 };

struct ClientSettings {
    // Extra trusted roots (PEM file), on top of the system's.
    std::string caFile;
    MaxVersion maxVersion = MaxVersion::Tls13;
};

// The OpenSSL client context shared by a connection's control and data
// streams: TLS 1.2 to 1.3, the system's trusted roots (plus an optional CA
// file), and a session cache that hands each new session to its stream so a
// data connection can resume the control connection's session. It makes no
// renegotiation, and its streams end when a server asks for one.
class ClientContext {
public:
    explicit ClientContext(const ClientSettings& settings = {});
    ~ClientContext();
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;

    // False when the context could not be made (Problem() says why, e.g. an
    // unreadable CA file); no stream may be started then.
    bool Ok() const { return context != nullptr; }
    const std::string& Problem() const { return problem; }
    SSL_CTX* Handle() const { return context; }

private:
    SSL_CTX* context = nullptr;
    std::string problem;
};

// "fallback: " and the text of the oldest queued OpenSSL error (and the queue
// emptied), or fallback alone when the queue is empty. An empty fallback
// gives the error's text alone.
std::string TakeOpenSslError(const std::string& fallback);

}  // namespace tls
