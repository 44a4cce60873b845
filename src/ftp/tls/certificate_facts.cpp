#include "ftp/tls/certificate_facts.h"

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstdio>
#include <ctime>
#include <memory>

namespace tls {

namespace {

std::string NameText(const X509_NAME* name) {
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), &BIO_free);
    if (!out || X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

std::string TimeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return "unknown";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string Base64WithoutPadding(const unsigned char* bytes, unsigned size) {
    std::string text(4 * ((size + 2) / 3) + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes, static_cast<int>(size));
    text.resize(static_cast<size_t>(written));
    while (!text.empty() && text.back() == '=') text.pop_back();
    return text;
}

std::string ColonHex(const unsigned char* bytes, unsigned size) {
    std::string text;
    for (unsigned i = 0; i < size; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", bytes[i]);
        text += pair;
    }
    return text;
}

}  // namespace

CertificateFacts DescribeCertificate(X509* certificate) {
    CertificateFacts facts;
    if (certificate == nullptr) return facts;
    facts.subject = NameText(X509_get_subject_name(certificate));
    facts.issuer = NameText(X509_get_issuer_name(certificate));
    facts.validFrom = TimeText(X509_get0_notBefore(certificate));
    facts.validUntil = TimeText(X509_get0_notAfter(certificate));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) == 1) {
        facts.sha256 = "SHA256:" + Base64WithoutPadding(digest, size);
        facts.sha256Hex = ColonHex(digest, size);
    }
    return facts;
}

Verification VerificationFromResult(long result) {
    switch (result) {
        case X509_V_OK:
            return {CertificateProblem::None, "The certificate is valid and names this host."};
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
            return {CertificateProblem::SelfSigned,
                    "The certificate is self-signed: no trusted authority vouches for it."};
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return {CertificateProblem::UnknownIssuer,
                    "The certificate was issued by an authority that is not trusted here."};
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return {CertificateProblem::HostNameMismatch,
                    "The certificate was issued for another host name."};
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return {CertificateProblem::Expired, "The certificate has expired."};
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return {CertificateProblem::NotYetValid, "The certificate is not valid yet."};
        default:
            return {CertificateProblem::Other, std::string("The certificate could not be verified: ") +
                                                   X509_verify_cert_error_string(result) + "."};
    }
}

}  // namespace tls
