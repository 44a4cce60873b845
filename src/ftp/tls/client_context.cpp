#include "ftp/tls/client_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "ftp/tls/tls_stream.h"

namespace tls {

ClientContext::ClientContext(const ClientSettings& settings) {
    ERR_clear_error();
    context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) {
        problem = TakeOpenSslError("cannot create a TLS context");
        return;
    }
    const int maxVersion = settings.maxVersion == MaxVersion::Tls12 ? TLS1_2_VERSION : TLS1_3_VERSION;
    bool ready = SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) == 1 &&
                 SSL_CTX_set_max_proto_version(context, maxVersion) == 1;
    if (ready && SSL_CTX_set_default_verify_paths(context) != 1) {
        problem = TakeOpenSslError("cannot load the system's trusted certificates");
        ready = false;
    }
    if (ready && !settings.caFile.empty() &&
        SSL_CTX_load_verify_locations(context, settings.caFile.c_str(), nullptr) != 1) {
        problem = TakeOpenSslError("cannot read CA file") + " (" + settings.caFile + ")";
        ready = false;
    }
    if (!ready) {
        if (problem.empty()) problem = TakeOpenSslError("cannot limit the TLS versions");
        SSL_CTX_free(context);
        context = nullptr;
        return;
    }
    // The handshake always completes; the verification result is judged
    // afterwards (TrustDecision), before anything is sent over the stream.
    SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
    // Sessions are kept by the stream that made them, not in OpenSSL's cache:
    // data connections resume whatever the control stream received last.
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context, &TlsStream::KeepNewSession);
    // Partial writes are handled by the stream's loop; the buffer may move
    // between retries because the caller passes the same bytes again.
    SSL_CTX_set_mode(context, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // A renegotiation could bring new keys or another certificate after the
    // trust decision; none is made, and a server that asks ends the stream.
    SSL_CTX_set_options(context, SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_msg_callback(context, &TlsStream::NoteHandshakeMessage);
}

ClientContext::~ClientContext() { SSL_CTX_free(context); }

std::string TakeOpenSslError(const std::string& fallback) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return fallback.empty() ? "an unknown TLS error" : fallback;
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return fallback.empty() ? text : fallback + ": " + text;
}

}  // namespace tls
