#include "cli/cli_certificate_question.h"

#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <sstream>

namespace {

const std::string kOffered = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
const std::string kOther = "SHA256:LCa0a2j/xo/5m0U8HTBBNBNCLXBkg7+g+YpeiGJm564";

tls::CertificateFacts Facts() {
    tls::CertificateFacts facts;
    facts.subject = "CN=ftp.example.org\x1b[2J";
    facts.issuer = "CN=ftp.example.org";
    facts.validFrom = "2026-01-01 00:00:00 UTC";
    facts.validUntil = "2027-01-01 00:00:00 UTC";
    facts.sha256 = kOffered;
    return facts;
}

// Through DecideTrust, as the connection will ask it: only the fingerprint
// given with --trust goes on, and every refusal prints the one offered.
TEST(CliCertificateQuestion, AcceptsOnlyTheTrustedFingerprintAndPrintsTheOffered) {
    const tls::Verification selfSigned = tls::VerificationFromResult(X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT);
    const struct {
        std::optional<std::string> trusted;
        tls::TrustOutcome outcome;
        std::vector<std::string> printed;
    } rows[] = {
        {kOffered, tls::TrustOutcome::Proceed, {}},
        {std::nullopt,
         tls::TrustOutcome::Refuse,
         {"The certificate of ftp.example.org could not be verified (the certificate is self-signed: no "
          "trusted authority vouches for it).\n",
          "Subject: CN=ftp.example.org?[2J\n",
          "Valid:   2026-01-01 00:00:00 UTC to 2027-01-01 00:00:00 UTC\n",
          "Its fingerprint is " + kOffered + "; to trust it, run again with --trust " + kOffered + "\n"}},
        {kOther,
         tls::TrustOutcome::Refuse,
         {"could not be verified (the certificate is self-signed",
          "Its fingerprint is " + kOffered + ", not the " + kOther + " given with --trust"}},
    };
    for (const auto& row : rows) {
        std::ostringstream err;
        CliCertificateQuestion question(row.trusted, err);
        const tls::TrustVerdict verdict =
            tls::DecideTrust("ftp.example.org", Facts(), selfSigned, "", question);
        EXPECT_EQ(verdict.outcome, row.outcome) << row.trusted.value_or("none");
        if (row.printed.empty()) {
            EXPECT_EQ(err.str(), "");
        }
        for (const std::string& piece : row.printed)
            EXPECT_NE(err.str().find(piece), std::string::npos) << piece << "\nin:\n" << err.str();
    }
}

}  // namespace
