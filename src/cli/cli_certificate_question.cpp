#include "cli/cli_certificate_question.h"

#include <cctype>

#include "ftp/printable_text.h"

namespace {

// "The certificate has expired." as it reads inside a sentence.
std::string AsClause(std::string sentence) {
    if (!sentence.empty() && sentence.back() == '.') sentence.pop_back();
    if (!sentence.empty())
        sentence[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence[0])));
    return sentence;
}

}  // namespace

tls::TrustAnswer CliCertificateQuestion::Ask(const std::string& host, const tls::CertificateFacts& facts,
                                             const tls::Verification& verification) {
    if (trusted && *trusted == facts.sha256) return tls::TrustAnswer::ThisTimeOnly;

    // Names in the certificate come from the server: nothing in them may reach the terminal raw.
    err << "The certificate of " << PrintableText(host) << " could not be verified ("
        << AsClause(verification.reason) << ").\n"
        << "  Subject: " << PrintableText(facts.subject) << "\n"
        << "  Issuer:  " << PrintableText(facts.issuer) << "\n"
        << "  Valid:   " << facts.validFrom << " to " << facts.validUntil << "\n";
    if (trusted) {
        err << "Its fingerprint is " << facts.sha256 << ", not the " << *trusted
            << " given with --trust; the connection was refused.\n";
    } else {
        err << "Its fingerprint is " << facts.sha256 << "; to trust it, run again with --trust "
            << facts.sha256 << "\n";
    }
    return tls::TrustAnswer::Cancel;
}
