#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// A certificate and its private key, as PEM files.
struct CertificateFiles {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// What a made certificate says. Times are days from now (negative: past).
struct CertificateRequest {
    std::string fileStem;  // "good" -> good.crt, good.key
    std::string commonName = "localhost";
    std::vector<std::string> hosts = {"localhost", "127.0.0.1"};  // subject alternative names
    long validFromDays = -1;
    long validUntilDays = 30;
    bool selfSigned = false;  // false: signed by the maker's CA
};

// Makes, at run time and inside a given directory, a test CA (ca.crt) and
// certificates signed by it or self-signed, with the OpenSSL API: no network,
// no files outside the directory. Keys are RSA 2048 (every server program
// takes them); one key serves all leaf certificates of a maker.
class CertificateMaker {
public:
    explicit CertificateMaker(std::filesystem::path directory);
    ~CertificateMaker();
    CertificateMaker(const CertificateMaker&) = delete;
    CertificateMaker& operator=(const CertificateMaker&) = delete;

    // False when OpenSSL could not make the CA (Problem() says why).
    bool Ok() const { return problem.empty(); }
    const std::string& Problem() const { return problem; }
    std::filesystem::path CaFile() const { return directory / "ca.crt"; }

    // Writes <stem>.crt and <stem>.key; empty paths on failure.
    CertificateFiles Make(const CertificateRequest& request);

private:
    std::filesystem::path directory;
    std::string problem;
    struct Keys;
    std::unique_ptr<Keys> keys;
};

}  // namespace testsupport
