#pragma once

#include <openssl/ssl.h>

#include <deque>
#include <memory>
#include <mutex>

namespace tls {

// A TLS session a later connection may resume.
using SessionHandle = std::shared_ptr<SSL_SESSION>;

// The TLS sessions a server handed out on one FTP connection (its control
// stream and every data stream), for the next data connection to resume:
// servers like vsftpd refuse a data connection that does not resume the
// control connection's session. A TLS 1.3 ticket is good for one resumption
// only, and each handshake brings fresh ones, so every data connection takes
// the newest unused ticket; a TLS 1.2 session, which brings no new ones when
// resumed, is offered again. Shared by the streams of one connection, which
// may live on different threads.
class SessionKeeper {
public:
    void Keep(SessionHandle session);
    // The session to offer on the next data connection; empty before the
    // server has sent any.
    SessionHandle TakeForResumption();

private:
    std::mutex lock;
    std::deque<SessionHandle> unused;  // newest first
    SessionHandle lastTaken;
};

}  // namespace tls
