#pragma once

#include <memory>
#include <string>

#include "ftp/connection_settings.h"
#include "ftp/control_channel.h"
#include "ftp/data_stream.h"
#include "ftp/tls/client_context.h"
#include "ftp/tls/session_keeper.h"
#include "ftp/tls/trust_decision.h"

// FTP over TLS for one connection: TLS on the control connection (implicit
// from the first byte, or AUTH TLS after the welcome), the trust decision on
// the server's certificate, PBSZ 0 and PROT P after the log-in, and TLS on
// each data connection while PROT P is in force. Under "Require" nothing is
// sent in clear that should not be: a refusal ends the connection before
// USER and PASS. A site with a pinned certificate is held to the same rule.
class ConnectionProtection {
public:
    explicit ConnectionProtection(ControlChannel& control) : control(control) {}

    // Asks the user about certificates that cannot be verified (nullptr:
    // such certificates are refused). Set by the front end, like SetUi.
    void SetCertificateQuestion(tls::CertificateQuestion* asker) { question = asker; }

    // Starts a connection attempt with these settings: a fresh TLS context
    // and session store, nothing encrypted yet. False (logged) when the
    // connection must not be made (TLS required through a firewall proxy, an
    // unreadable CA file).
    bool Begin(const ConnectionSettings& settings);
    // The service the control connection goes to when the host names no port.
    const char* ServiceName() const;
    // Implicit FTPS: the handshake before the welcome. False: close.
    bool BeforeWelcome();
    // Explicit FTPS: AUTH TLS and the handshake after the welcome. False: close.
    bool AfterWelcome();
    // After the log-in: PBSZ 0 and PROT P on a secured connection. False
    // when "Require" cannot have its data encrypted: close.
    bool AfterLogin();

    // The data connection as the transfer uses it: under PROT P, TLS over
    // plain after a handshake that resumes the control session; nullptr
    // (logged, plain closed) when that handshake fails.
    std::unique_ptr<DataStream> ProtectData(std::unique_ptr<DataStream> plain);

    // What the last connection attempt achieved, for the status bar.
    bool ControlEncrypted() const { return !protocol.empty(); }
    bool DataEncrypted() const { return dataProtected; }
    // "TLS 1.3"; empty while plain.
    const std::string& Protocol() const { return protocol; }
    // The fingerprint the user chose to trust for the site during the last
    // connection attempt, for the front end to store; empty when none.
    const std::string& FingerprintToStore() const { return fingerprintToStore; }

private:
    // A site whose certificate fingerprint the user has stored (pinned) never
    // goes on in plain FTP, whatever its encryption setting allows.
    bool Pinned() const { return !trustedFingerprint.empty(); }
    bool MayFallBackToPlain() const {
        return encryption == tls::Encryption::ExplicitIfAvailable && !Pinned();
    }
    // Why plain FTP is refused, for the log: the setting or the pin.
    const char* WhyTlsIsRequired() const;
    bool SecureControl();
    bool SameServer(const tls::TlsStream& data);
    bool Trusted(const tls::TlsStream& stream);
    void LogLines(const std::string& text);

    ControlChannel& control;
    tls::CertificateQuestion* question = nullptr;
    tls::Encryption encryption = tls::Encryption::Plain;  // as in force for this attempt
    std::string peerName;                                 // the name the certificate must carry
    std::string trustedFingerprint;
    std::string controlFingerprint;  // the certificate the control connection accepted
    std::unique_ptr<tls::ClientContext> context;
    std::shared_ptr<tls::SessionKeeper> sessions;
    std::string protocol;
    bool dataProtected = false;
    std::string fingerprintToStore;
};
