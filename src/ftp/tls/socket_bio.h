#pragma once

#include <openssl/types.h>

namespace tls {

// An OpenSSL BIO over a connected socket that sends with MSG_NOSIGNAL, so a
// peer that has gone never raises SIGPIPE (the engine's plain sockets work
// the same way), and that never closes the descriptor: its owner does.
// Returns nullptr when OpenSSL cannot allocate it.
BIO* NewSocketBio(int fd);

}  // namespace tls
