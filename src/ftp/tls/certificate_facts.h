#pragma once

#include <openssl/types.h>

#include <string>

namespace tls {

// What the user is shown about a server's certificate before trusting it.
struct CertificateFacts {
    std::string subject;  // "CN=ftp.example.org,O=Example"
    std::string issuer;
    std::string validFrom;  // "2026-12-07 16:40:00 UTC"
    std::string validUntil;
    std::string sha256;     // "SHA256:" + base64 without padding, as ssh prints it
    std::string sha256Hex;  // "AB:CD:...", as openssl x509 -fingerprint prints it

    bool Present() const { return !sha256.empty(); }
};

// The facts of one certificate (empty facts for nullptr).
CertificateFacts DescribeCertificate(X509* certificate);

// Why a certificate could not be verified, in the groups a user can act on.
enum class CertificateProblem {
    None,
    SelfSigned,
    UnknownIssuer,
    HostNameMismatch,
    Expired,
    NotYetValid,
    NoCertificate,
    Other,
};

struct Verification {
    CertificateProblem problem = CertificateProblem::NoCertificate;
    std::string reason;  // a sentence for the dialog and the log

    bool Verified() const { return problem == CertificateProblem::None; }
};

// Turns OpenSSL's verification result (X509_V_OK, X509_V_ERR_...) into a problem and reason.
Verification VerificationFromResult(long result);

}  // namespace tls
