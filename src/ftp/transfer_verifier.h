#pragma once

#include <optional>
#include <string>

#include "ftp/control_channel.h"
#include "ftp/hash_algorithm.h"
#include "ftp/login.h"

// Checks a transferred file against the server's digest of it: HASH (with
// SHA-256, SHA-1 or MD5, selected by OPTS HASH when another one is in use),
// else the older XSHA256, XSHA1, XMD5 or XCRC, whichever the server's FEAT
// lists first in that order. A server that lists none of them is not asked.
class TransferVerifier {
public:
    struct Check {
        enum class Kind { NotOffered, Matched, Mismatch, CouldNotVerify };
        Kind kind = Kind::NotOffered;
        HashAlgorithm algorithm = HashAlgorithm::Sha256;
        std::string serverDigest;
        std::string localDigest;
        std::string why;  // CouldNotVerify: what went wrong
    };

    TransferVerifier(ControlChannel& control, const Login& login) : control(control), login(login) {}
    TransferVerifier(const TransferVerifier&) = delete;
    TransferVerifier& operator=(const TransferVerifier&) = delete;

    // A new connection: the algorithm HASH uses is again the one FEAT marks.
    void ForgetServer() { selectedHash.reset(); }
    // Whether the server offers a way to check files.
    bool Offered() const { return Choose().has_value(); }
    // Asks the server for the digest of remoteName and compares it with the
    // digest of the local file.
    Check Verify(const std::string& remoteName, const std::string& localPath);

private:
    struct Method {
        HashAlgorithm algorithm;
        const char* command;  // "HASH", "XSHA256", ...
    };
    std::optional<Method> Choose() const;
    bool SelectHashAlgorithm(HashAlgorithm algorithm);
    std::string ServerDigest(const Method& method, const std::string& remoteName, std::int64_t fileSize,
                             std::string& why);

    ControlChannel& control;
    const Login& login;
    std::optional<std::string> selectedHash;  // what OPTS HASH selected on this connection
};
