// The handshake's verification result and the certificate facts, for each
// kind of certificate a server may show.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/data_link.h"
#include "support/loopback_tls_server.h"
#include "tls_test_kit.h"

namespace {

using namespace std::chrono_literals;
using tls::CertificateProblem;
using tlstest::TestCertificates;

struct VerificationCase {
    const char* name;
    testsupport::CertificateFiles TestCertificates::*files;
    bool trustTestCa;
    const char* peerName;
    CertificateProblem expected;
};

// The fingerprint as the openssl tool computes it from the file.
std::string OpensslFingerprint(const std::filesystem::path& certificate, bool base64) {
    const std::string file = certificate.string();
    const std::string command =
        base64 ? "openssl x509 -in '" + file + "' -outform DER | openssl dgst -sha256 -binary | base64 -w0"
               : "openssl x509 -in '" + file + "' -noout -fingerprint -sha256 | cut -d= -f2";
    testsupport::RunResult run = testsupport::RunProgram({"sh", "-c", command}, 10s);
    std::string text = run.out;
    while (!text.empty() && (text.back() == '\n' || text.back() == '=')) text.pop_back();
    return base64 ? "SHA256:" + text : text;
}

TEST(CertificateVerification, EachKindOfCertificateGetsItsReasonAndTrueFacts) {
    const TestCertificates& certificates = TestCertificates::Get();
    ASSERT_TRUE(certificates.maker.Ok()) << certificates.maker.Problem();
    const VerificationCase cases[] = {
        {"signed by the trusted CA, by address", &TestCertificates::good, true, "127.0.0.1",
         CertificateProblem::None},
        {"signed by the trusted CA, by name", &TestCertificates::good, true, "localhost",
         CertificateProblem::None},
        {"signed by a CA not trusted here", &TestCertificates::good, false, "127.0.0.1",
         CertificateProblem::UnknownIssuer},
        {"self-signed", &TestCertificates::selfSigned, true, "127.0.0.1", CertificateProblem::SelfSigned},
        {"for another host name", &TestCertificates::otherHost, true, "localhost",
         CertificateProblem::HostNameMismatch},
        {"for another host, by address", &TestCertificates::otherHost, true, "127.0.0.1",
         CertificateProblem::HostNameMismatch},
        {"expired", &TestCertificates::expired, true, "127.0.0.1", CertificateProblem::Expired},
        {"not yet valid", &TestCertificates::notYetValid, true, "127.0.0.1", CertificateProblem::NotYetValid},
    };
    for (const VerificationCase& row : cases) {
        SCOPED_TRACE(row.name);
        const testsupport::CertificateFiles& files = certificates.*row.files;
        testsupport::LoopbackTlsServer server({.files = files},
                                              [](SSL* ssl, int, int) { SSL_shutdown(ssl); });
        ASSERT_TRUE(server.Ok()) << server.Problem();

        tls::ClientContext context(row.trustTestCa ? tlstest::TrustingTestCa() : tls::ClientSettings{});
        ASSERT_TRUE(context.Ok()) << context.Problem();
        net::WakeSignal wake;
        testsupport::DataLink link = testsupport::DataLink::Connect("127.0.0.1", server.Port());
        tls::TlsStream stream(context, link.Fd(), tlstest::WaiterFor(wake, 10s));
        const tls::StreamResult handshake = stream.Handshake(row.peerName);
        ASSERT_TRUE(handshake.Ok()) << handshake.message;

        const tls::Verification verification = stream.PeerVerification();
        EXPECT_EQ(verification.problem, row.expected) << verification.reason;
        EXPECT_FALSE(verification.reason.empty());
        const tls::CertificateFacts facts = stream.PeerCertificate();
        EXPECT_EQ(facts.sha256, OpensslFingerprint(files.certificate, true));
        EXPECT_EQ(facts.sha256Hex, OpensslFingerprint(files.certificate, false));
        EXPECT_NE(facts.subject.find("CN="), std::string::npos) << facts.subject;
        EXPECT_NE(facts.issuer.find(row.files == &TestCertificates::selfSigned ? facts.subject
                                                                               : "CN=Quillmoor test CA"),
                  std::string::npos)
            << facts.issuer;
        EXPECT_LT(facts.validFrom, facts.validUntil);  // same fixed format: text order is time order
        EXPECT_NE(stream.ProtocolAndCipher().find("TLSv1.3, cipher TLS_"), std::string::npos)
            << stream.ProtocolAndCipher();
    }
}

TEST(CertificateVerification, AnUnreadableCaFileStopsTheContextWithItsName) {
    tls::ClientContext context({"/nonexistent/quillmoor-ca.pem"});
    EXPECT_FALSE(context.Ok());
    EXPECT_NE(context.Problem().find("/nonexistent/quillmoor-ca.pem"), std::string::npos)
        << context.Problem();
}

}  // namespace
