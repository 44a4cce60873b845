#include "ftp/tls/trust_decision.h"

#include <gtest/gtest.h>

namespace {

using tls::CertificateProblem;
using tls::TrustAnswer;
using tls::TrustOutcome;

// Answers as scripted and counts how often it was asked.
class ScriptedQuestion : public tls::CertificateQuestion {
public:
    explicit ScriptedQuestion(TrustAnswer answer) : answer(answer) {}
    TrustAnswer Ask(const std::string&, const tls::CertificateFacts&, const tls::Verification&) override {
        ++asked;
        return answer;
    }
    TrustAnswer answer;
    int asked = 0;
};

TEST(TrustDecision, VerifiedStoredChangedAndAskedCertificates) {
    const std::string offered = "SHA256:offeredFingerprint";
    const struct {
        const char* name;
        CertificateProblem problem;
        std::string stored;
        TrustAnswer answer;
        TrustOutcome expected;
        bool asks;
        const char* messagePart;
    } cases[] = {
        {"verified", CertificateProblem::None, "", TrustAnswer::Cancel, TrustOutcome::Proceed, false,
         "verified"},
        {"verified, other fingerprint stored", CertificateProblem::None, "SHA256:old", TrustAnswer::Cancel,
         TrustOutcome::Proceed, false, "verified"},
        {"self-signed, trusted before", CertificateProblem::SelfSigned, offered, TrustAnswer::Cancel,
         TrustOutcome::Proceed, false, "matches"},
        {"self-signed, changed since trusted", CertificateProblem::SelfSigned, "SHA256:old",
         TrustAnswer::TrustForSite, TrustOutcome::Refuse, false, "has changed since it was trusted"},
        {"unknown issuer, user trusts it for the site", CertificateProblem::UnknownIssuer, "",
         TrustAnswer::TrustForSite, TrustOutcome::ProceedAndStore, true, "trusted for this site"},
        {"expired, user connects this time", CertificateProblem::Expired, "", TrustAnswer::ThisTimeOnly,
         TrustOutcome::Proceed, true, "accepted for this connection"},
        {"host name mismatch, user cancels", CertificateProblem::HostNameMismatch, "", TrustAnswer::Cancel,
         TrustOutcome::Refuse, true, "reason of the test"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        tls::CertificateFacts facts;
        facts.sha256 = offered;
        ScriptedQuestion question(row.answer);
        const tls::TrustVerdict verdict = tls::DecideTrust(
            "ftp.example.test", facts, {row.problem, "reason of the test"}, row.stored, question);
        EXPECT_EQ(verdict.outcome, row.expected);
        EXPECT_EQ(question.asked, row.asks ? 1 : 0);
        EXPECT_EQ(verdict.fingerprint, row.expected == TrustOutcome::ProceedAndStore ? offered : "");
        EXPECT_NE(verdict.message.find(row.messagePart), std::string::npos) << verdict.message;
    }
}

TEST(TrustDecision, AServerWithoutCertificateIsRefusedWithoutAsking) {
    ScriptedQuestion question(TrustAnswer::ThisTimeOnly);
    const tls::TrustVerdict verdict =
        tls::DecideTrust("h", {}, {CertificateProblem::NoCertificate, "none"}, "", question);
    EXPECT_EQ(verdict.outcome, TrustOutcome::Refuse);
    EXPECT_EQ(question.asked, 0);
}

}  // namespace
