#pragma once

namespace tls {

// How a connection to a site is protected. New sites and quick connect use
// ExplicitIfAvailable: TLS whenever the server offers it, plain FTP only
// when it refuses AUTH TLS (and the log says so).
enum class Encryption {
    RequireExplicit,      // AUTH TLS; a refusal ends the connection before the log-in
    ExplicitIfAvailable,  // AUTH TLS, plain FTP when the server refuses it
    RequireImplicit,      // TLS from the first byte (port 990 by default)
    Plain,                // never TLS
};

inline constexpr Encryption kDefaultEncryption = Encryption::ExplicitIfAvailable;

}  // namespace tls
