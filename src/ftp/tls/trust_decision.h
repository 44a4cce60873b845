#pragma once

#include <string>

#include "ftp/tls/certificate_facts.h"

namespace tls {

// The user's answer to an unverifiable certificate.
enum class TrustAnswer {
    TrustForSite,  // "Trust this certificate for this site": its fingerprint is stored
    ThisTimeOnly,  // "Connect this time"
    Cancel,
};

// Asks the user about a certificate that could not be verified and that the
// site has not trusted before. The desktop shows a dialog, the command line
// answers from its options, tests script it.
class CertificateQuestion {
public:
    virtual ~CertificateQuestion() = default;
    virtual TrustAnswer Ask(const std::string& host, const CertificateFacts& facts,
                            const Verification& verification) = 0;
};

enum class TrustOutcome {
    Proceed,
    ProceedAndStore,  // proceed, and store fingerprint with the site
    Refuse,
};

struct TrustVerdict {
    TrustOutcome outcome = TrustOutcome::Refuse;
    std::string fingerprint;  // the one to store (ProceedAndStore)
    std::string message;      // for the log; for Refuse, the reason to show

    bool Proceeds() const { return outcome != TrustOutcome::Refuse; }
};

// Whether to go on with a server whose certificate is described by facts:
// a verified certificate proceeds; an unverified one proceeds when the site
// has stored its fingerprint; a stored fingerprint that no longer matches is
// refused without asking (the server's identity changed, as ssh refuses a
// changed host key); otherwise the question decides.
TrustVerdict DecideTrust(const std::string& host, const CertificateFacts& facts,
                         const Verification& verification, const std::string& storedFingerprint,
                         CertificateQuestion& question);

}  // namespace tls
