#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "ftp/tls/trust_decision.h"

// The command line's answer to a certificate that could not be verified: it
// never asks, since a run may have no one at the terminal. The certificate
// named by --trust is accepted for this run; any other is refused, with its
// fingerprint printed so the user can check it and run again with --trust.
class CliCertificateQuestion : public tls::CertificateQuestion {
public:
    CliCertificateQuestion(std::optional<std::string> trusted, std::ostream& err)
        : trusted(std::move(trusted)), err(err) {}

    tls::TrustAnswer Ask(const std::string& host, const tls::CertificateFacts& facts,
                         const tls::Verification& verification) override;

private:
    std::optional<std::string> trusted;  // --trust SHA256:...
    std::ostream& err;
};
