#include "support/certificate_maker.h"

#include <arpa/inet.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>

namespace testsupport {

namespace {

constexpr long kSecondsPerDay = 24 * 60 * 60;

using KeyPointer = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertificatePointer = std::unique_ptr<X509, decltype(&X509_free)>;

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

bool AddExtension(X509* certificate, X509* issuer, int id, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value.c_str());
    if (extension == nullptr) return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// A certificate for key, signed by issuerKey (itself when issuer is null).
CertificatePointer MakeCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer,
                                   EVP_PKEY* issuerKey, long fromDays, long untilDays, bool authority,
                                   const std::vector<std::string>& hosts, long serial) {
    CertificatePointer certificate(X509_new(), &X509_free);
    X509* made = certificate.get();
    X509_set_version(made, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(made), serial);
    X509_gmtime_adj(X509_getm_notBefore(made), fromDays * kSecondsPerDay);
    X509_gmtime_adj(X509_getm_notAfter(made), untilDays * kSecondsPerDay);
    X509_set_pubkey(made, key);
    X509_NAME* name = X509_get_subject_name(made);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Quillmoor tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : made;
    X509_set_issuer_name(made, X509_get_subject_name(signer));
    std::string alternativeNames;
    for (const std::string& host : hosts) {
        alternativeNames +=
            (alternativeNames.empty() ? "" : ",") + std::string(IsIpAddress(host) ? "IP:" : "DNS:") + host;
    }
    bool ready =
        AddExtension(made, signer, NID_basic_constraints, authority ? "critical,CA:TRUE" : "CA:FALSE") &&
        AddExtension(made, signer, NID_subject_key_identifier, "hash") &&
        (alternativeNames.empty() || AddExtension(made, signer, NID_subject_alt_name, alternativeNames));
    if (authority) ready = ready && AddExtension(made, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    if (!ready || X509_sign(made, issuerKey, EVP_sha256()) == 0) certificate.reset();
    return certificate;
}

bool WriteCertificate(const std::filesystem::path& file, X509* certificate) {
    FILE* out = std::fopen(file.c_str(), "w");
    if (out == nullptr) return false;
    const bool written = PEM_write_X509(out, certificate) == 1;
    return std::fclose(out) == 0 && written;
}

bool WriteKey(const std::filesystem::path& file, EVP_PKEY* key) {
    FILE* out = std::fopen(file.c_str(), "w");
    if (out == nullptr) return false;
    const bool written = PEM_write_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    return std::fclose(out) == 0 && written;
}

}  // namespace

struct CertificateMaker::Keys {
    KeyPointer authorityKey{EVP_RSA_gen(2048), &EVP_PKEY_free};
    KeyPointer leafKey{EVP_RSA_gen(2048), &EVP_PKEY_free};
    CertificatePointer authority{nullptr, &X509_free};
    long nextSerial = 2;
};

CertificateMaker::CertificateMaker(std::filesystem::path directory)
    : directory(std::move(directory)), keys(std::make_unique<Keys>()) {
    if (!keys->authorityKey || !keys->leafKey) {
        problem = "cannot make RSA keys";
        return;
    }
    keys->authority = MakeCertificate(keys->authorityKey.get(), "Quillmoor test CA", nullptr,
                                      keys->authorityKey.get(), -1, 365, true, {}, 1);
    if (!keys->authority || !WriteCertificate(CaFile(), keys->authority.get()))
        problem = "cannot make the test CA";
}

CertificateMaker::~CertificateMaker() = default;

CertificateFiles CertificateMaker::Make(const CertificateRequest& request) {
    if (!Ok()) return {};
    X509* issuer = request.selfSigned ? nullptr : keys->authority.get();
    EVP_PKEY* issuerKey = request.selfSigned ? keys->leafKey.get() : keys->authorityKey.get();
    CertificatePointer made =
        MakeCertificate(keys->leafKey.get(), request.commonName, issuer, issuerKey, request.validFromDays,
                        request.validUntilDays, false, request.hosts, keys->nextSerial++);
    CertificateFiles files{directory / (request.fileStem + ".crt"), directory / (request.fileStem + ".key")};
    if (!made || !WriteCertificate(files.certificate, made.get()) ||
        !WriteKey(files.key, keys->leafKey.get())) {
        return {};
    }
    return files;
}

}  // namespace testsupport
