#include "ftp/tls/trust_decision.h"

namespace tls {

TrustVerdict DecideTrust(const std::string& host, const CertificateFacts& facts,
                         const Verification& verification, const std::string& storedFingerprint,
                         CertificateQuestion& question) {
    if (verification.Verified()) {
        return {TrustOutcome::Proceed, {}, "Certificate of " + host + " verified (" + facts.sha256 + ")"};
    }
    if (!facts.Present()) {
        return {TrustOutcome::Refuse, {}, host + " sent no certificate; the connection is not secure."};
    }
    if (!storedFingerprint.empty()) {
        if (storedFingerprint == facts.sha256) {
            return {TrustOutcome::Proceed,
                    {},
                    "Certificate of " + host + " matches the one trusted for this site"};
        }
        return {TrustOutcome::Refuse,
                {},
                "The certificate of " + host +
                    " has changed since it was trusted for this site.\n"
                    "Someone could be intercepting the connection, or the server has a new certificate.\n"
                    "Trusted: " +
                    storedFingerprint + "\nOffered: " + facts.sha256 +
                    "\nThe connection was refused; remove the stored fingerprint from the site to trust the "
                    "new one."};
    }
    switch (question.Ask(host, facts, verification)) {
        case TrustAnswer::TrustForSite:
            return {TrustOutcome::ProceedAndStore, facts.sha256,
                    "Certificate of " + host + " trusted for this site (" + facts.sha256 + ")"};
        case TrustAnswer::ThisTimeOnly:
            return {TrustOutcome::Proceed,
                    {},
                    "Certificate of " + host + " accepted for this connection (" + facts.sha256 + ")"};
        case TrustAnswer::Cancel:
            break;
    }
    return {TrustOutcome::Refuse,
            {},
            "The certificate of " + host + " was not accepted: " + verification.reason + " (" + facts.sha256 +
                ")"};
}

}  // namespace tls
