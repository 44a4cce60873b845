#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ftp/data_mode.h"
#include "ftp/tls/encryption.h"

// The firewall (proxy) a connection goes through. Modes 1-4 choose how the
// remote log-in is passed on: SITE host, USER user@host, OPEN host, or the
// proxy forwarding a plain USER itself (3 and 4 log in directly).
struct FirewallSettings {
    bool on = false;
    int mode = 0;
    int port = 0;  // 0: the FTP service port
    std::string host;
    std::string user;
    std::string password;
};

// Bounds on one directory listing, far above any real folder: a server whose
// listing never ends, quickly or one line a second, is stopped at the first
// bound it reaches, and the listing fails.
struct ListingLimits {
    std::size_t entries = 5'000'000;               // lines of the listing
    std::uint64_t bytes = std::uint64_t{2} << 30;  // 2 GiB
    int seconds = 300;                             // the whole listing, from its first byte; 0 = none
};

// Everything a session needs to know to connect and log in, handed over as
// one value before the connect worker starts.
struct ConnectionSettings {
    std::string host;  // may carry its own port: "host:2121", "[::1]:2121"
    std::string user;
    std::string password;
    char transferMode = 'I';  // 'A', 'I', or 'F' (by the extension table)
    // The program's front ends choose (their default is passive); a bare
    // session keeps the active mode it always had.
    DataMode dataMode = DataMode::Active;
    bool tryEpsv = true;  // false goes straight to PASV, for servers that mishandle EPSV
    int timeoutSeconds = 60;  // bounds every wait for a reply or a data connection; 0 = none
    // How long a passive data port may take to answer before the next way
    // (PASV, then active mode) is tried; a port behind a firewall that drops
    // it would otherwise cost the whole time limit and the session.
    std::chrono::milliseconds dataConnectLimit{5000};
    std::string downloadDir;  // where single downloads go; ends with a separator
    // Downloaded files take the server's modification time (MLSD's modify
    // fact or MDTM). The front ends switch it on from their settings.
    bool keepModificationTimes = false;
    // Each binary file is checked against the server's digest after its
    // transfer, where the server offers HASH or one of the X commands.
    bool verifyTransfers = true;
    FirewallSettings firewall;
    // A bare session speaks plain FTP; the front ends pass the site's choice.
    tls::Encryption encryption = tls::Encryption::Plain;
    std::string trustedFingerprint;  // "SHA256:..." the site trusts; empty: none
    std::string caFile;              // extra trusted roots (PEM); empty: the system's only
    ListingLimits listingLimits;
};

// What one site (or the command line's --host) asks for; unset and empty
// values fall back on the program's settings.
struct SiteLogin {
    std::string host;
    std::string user;
    std::string password;
    std::optional<DataMode> dataMode;  // unset: the program default
    tls::Encryption encryption = tls::kDefaultEncryption;
    std::string trustedFingerprint;
};

// The program-wide settings a connection falls back on.
struct ConnectionDefaults {
    std::string email;  // the password of an anonymous log-in
    char transferMode = 'F';
    bool passive = true;
    int timeoutSeconds = 60;
    std::string downloadDir;
    bool keepModificationTimes = true;
    FirewallSettings firewall;
    std::string caFile;
    ListingLimits listingLimits;
};

enum class SettingsOutcome { Ready, AnonymousWithoutEmail };

// The one mapping from a site and the program's settings to a connection,
// shared by the desktop program and the command line. An anonymous log-in
// without a password uses the e-mail address; without one there is nothing
// to log in with (AnonymousWithoutEmail, settings left unfilled).
SettingsOutcome MakeConnectionSettings(const SiteLogin& site, const ConnectionDefaults& defaults,
                                       ConnectionSettings& settings);
