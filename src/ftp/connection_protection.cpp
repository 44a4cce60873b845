#include "ftp/connection_protection.h"

#include <sstream>

#include "ftp/tls_data_stream.h"
#include "platform/net/host_port.h"

namespace {

// "TLSv1.3" as the log and the status bar say it: "TLS 1.3".
std::string ReadableProtocol(const std::string& name) {
    if (name.rfind("TLSv", 0) == 0) return "TLS " + name.substr(4);
    return name;
}

}  // namespace

bool ConnectionProtection::Begin(const ConnectionSettings& settings) {
    encryption = settings.encryption;
    trustedFingerprint = settings.trustedFingerprint;
    controlFingerprint.clear();
    protocol.clear();
    dataProtected = false;
    fingerprintToStore.clear();
    context.reset();
    sessions = std::make_shared<tls::SessionKeeper>();
    int port = 0;
    if (!net::SplitHostPort(settings.host, peerName, port)) peerName = settings.host;

    if (encryption != tls::Encryption::Plain && settings.firewall.on) {
        // The proxy relays a plain control connection; TLS would have to end at the proxy.
        if (!MayFallBackToPlain()) {
            control.LogF(
                "FTP over TLS cannot be used through the firewall proxy; %s, so no connection is made.",
                encryption == tls::Encryption::ExplicitIfAvailable ? "this site's certificate is pinned"
                                                                   : "the site requires it");
            return false;
        }
        control.LogF(
            "FTP over TLS cannot be used through the firewall proxy; connecting without encryption.");
        encryption = tls::Encryption::Plain;
    }
    if (encryption == tls::Encryption::Plain) return true;
    tls::ClientSettings clientSettings;
    clientSettings.caFile = settings.caFile;
    context = std::make_unique<tls::ClientContext>(clientSettings);
    if (!context->Ok()) {
        control.LogF("TLS cannot be set up: %s", context->Problem().c_str());
        return false;
    }
    return true;
}

const char* ConnectionProtection::ServiceName() const {
    return encryption == tls::Encryption::RequireImplicit ? "990" : "ftp";
}

bool ConnectionProtection::BeforeWelcome() {
    if (encryption != tls::Encryption::RequireImplicit) return true;
    return SecureControl();
}

bool ConnectionProtection::AfterWelcome() {
    if (encryption != tls::Encryption::RequireExplicit && encryption != tls::Encryption::ExplicitIfAvailable)
        return true;
    const ReplyClass reply = control.SendCommand("AUTH TLS");
    if (reply == kComplete && control.ReplyCode() == 234) return SecureControl();
    if (reply == kAborted || reply == kNotSent) return false;
    if (!MayFallBackToPlain()) {
        control.LogF("The server refused AUTH TLS; %s, so the connection ends before the log-in.",
                     WhyTlsIsRequired());
        return false;
    }
    control.LogF(
        "The server refused AUTH TLS; continuing without encryption: the password and files travel "
        "readable.");
    return true;
}

bool ConnectionProtection::SecureControl() {
    const tls::StreamResult handshake = control.StartTls(*context, peerName, sessions);
    const tls::TlsStream& stream = *control.Tls();
    if (!handshake.Ok()) {
        // A cancel or a time limit has said so already.
        if (handshake.status != tls::StreamStatus::Cancelled &&
            handshake.status != tls::StreamStatus::TimedOut)
            control.LogF("TLS handshake failed: %s", handshake.message.c_str());
        return false;
    }
    if (!Trusted(stream)) return false;
    controlFingerprint = stream.PeerCertificate().sha256;
    protocol = ReadableProtocol(stream.Protocol());
    control.LogF("Control connection encrypted: %s, %s", protocol.c_str(), stream.Cipher().c_str());
    return true;
}

// Every certificate passes the trust decision before anything is sent over it.
bool ConnectionProtection::Trusted(const tls::TlsStream& stream) {
    const tls::CertificateFacts facts = stream.PeerCertificate();
    const tls::Verification verification = stream.PeerVerification();
    tls::TrustVerdict verdict;
    if (question != nullptr) {
        verdict = tls::DecideTrust(peerName, facts, verification, trustedFingerprint, *question);
    } else {
        // No one to ask: an unverifiable certificate is refused, with its
        // fingerprint in the log so that it can be checked and trusted.
        class Refuser : public tls::CertificateQuestion {
            tls::TrustAnswer Ask(const std::string&, const tls::CertificateFacts&,
                                 const tls::Verification&) override {
                return tls::TrustAnswer::Cancel;
            }
        } refuser;
        verdict = tls::DecideTrust(peerName, facts, verification, trustedFingerprint, refuser);
    }
    LogLines(verdict.message);
    if (verdict.outcome == tls::TrustOutcome::ProceedAndStore) fingerprintToStore = verdict.fingerprint;
    return verdict.Proceeds();
}

const char* ConnectionProtection::WhyTlsIsRequired() const {
    return encryption == tls::Encryption::ExplicitIfAvailable ? "this site's certificate is pinned"
                                                              : "the site requires FTP over TLS";
}

void ConnectionProtection::LogLines(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) control.LogF("%s", line.c_str());
}

bool ConnectionProtection::AfterLogin() {
    if (!ControlEncrypted()) return true;
    // PBSZ 0 comes first: servers refuse PROT before it. Its reply, read
    // over TLS, also brings a TLS 1.3 server's session ticket that the first
    // data connection resumes.
    if (control.SendCommand("PBSZ 0") == kComplete && control.SendCommand("PROT P") == kComplete) {
        dataProtected = true;
        control.LogF("Data connections are encrypted.");
        return true;
    }
    if (!MayFallBackToPlain()) {
        control.LogF(
            "The server refused PROT P; %s, so the connection ends before any file or listing travels "
            "readable.",
            WhyTlsIsRequired());
        return false;
    }
    control.LogF("The server refused PROT P; data connections are not encrypted.");
    return true;
}

std::unique_ptr<DataStream> ConnectionProtection::ProtectData(std::unique_ptr<DataStream> plain) {
    if (!dataProtected || !plain) return plain;
    auto secured = std::make_unique<TlsDataStream>(control, std::move(plain), *context, sessions);
    if (secured->Handshake(peerName) && SameServer(secured->Tls())) return secured;
    secured->Close();
    return nullptr;
}

// A data connection that resumed the control connection's session is with the
// same server; one that did not must show a verified certificate or the one
// the control connection accepted, or a third party could stand in for it.
bool ConnectionProtection::SameServer(const tls::TlsStream& data) {
    if (data.SessionReused() || data.PeerVerification().Verified() ||
        data.PeerCertificate().sha256 == controlFingerprint)
        return true;
    control.LogF("The data connection showed another certificate than the control connection (%s); refused.",
                 data.PeerCertificate().sha256.c_str());
    return false;
}
