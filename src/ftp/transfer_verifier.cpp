#include "ftp/transfer_verifier.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "ftp/file_digest.h"
#include "ftp/hash_reply.h"

namespace {

constexpr HashAlgorithm kHashPreference[] = {HashAlgorithm::Sha256, HashAlgorithm::Sha1, HashAlgorithm::Md5};

struct OlderCommand {
    const char* command;
    HashAlgorithm algorithm;
};
constexpr OlderCommand kOlderCommands[] = {{"XSHA256", HashAlgorithm::Sha256},
                                           {"XSHA1", HashAlgorithm::Sha1},
                                           {"XMD5", HashAlgorithm::Md5},
                                           {"XCRC", HashAlgorithm::Crc32}};

constexpr const char* kHash = "HASH";

bool Lists(const std::vector<std::string>& names, std::string_view name) {
    for (const std::string& listed : names)
        if (listed == name) return true;
    return false;
}

std::int64_t LocalSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

// A server reads the whole file before it answers, so the time limit of that
// one reply grows with the file: a second for every 20 MB, on top of the limit.
class HashTimeLimit {
public:
    HashTimeLimit(ControlChannel& control, std::int64_t fileSize)
        : control(control), saved(control.TimeoutSeconds()) {
        constexpr std::int64_t kBytesPerSecond = 20 * 1024 * 1024;
        constexpr std::int64_t kLongest = 24 * 3600;
        if (saved > 0 && fileSize > 0)
            control.SetTimeoutSeconds(
                static_cast<int>(std::min(kLongest, saved + fileSize / kBytesPerSecond)));
    }
    ~HashTimeLimit() { control.SetTimeoutSeconds(saved); }
    HashTimeLimit(const HashTimeLimit&) = delete;
    HashTimeLimit& operator=(const HashTimeLimit&) = delete;

private:
    ControlChannel& control;
    const int saved;
};

TransferVerifier::Check CouldNotVerify(HashAlgorithm algorithm, std::string why) {
    TransferVerifier::Check check;
    check.kind = TransferVerifier::Check::Kind::CouldNotVerify;
    check.algorithm = algorithm;
    check.why = std::move(why);
    return check;
}

}  // namespace

std::optional<TransferVerifier::Method> TransferVerifier::Choose() const {
    const ServerFeatures& features = login.Features();
    if (features.Offers(kHash)) {
        for (HashAlgorithm algorithm : kHashPreference)
            if (Lists(features.HashAlgorithms(), HashAlgorithmName(algorithm)))
                return Method{algorithm, kHash};
    }
    for (const OlderCommand& older : kOlderCommands)
        if (features.Offers(older.command)) return Method{older.algorithm, older.command};
    return std::nullopt;
}

// HASH answers with the algorithm in use on the connection, which FEAT marks
// until OPTS HASH changes it; it is changed only when it differs.
bool TransferVerifier::SelectHashAlgorithm(HashAlgorithm algorithm) {
    const std::string wanted(HashAlgorithmName(algorithm));
    const std::string& inUse = selectedHash ? *selectedHash : login.Features().SelectedHash();
    if (inUse == wanted) return true;
    if (control.SendCommand("OPTS HASH " + wanted) != kComplete) return false;
    selectedHash = wanted;
    return true;
}

std::string TransferVerifier::ServerDigest(const Method& method, const std::string& remoteName,
                                           std::int64_t fileSize, std::string& why) {
    const bool viaHash = std::strcmp(method.command, kHash) == 0;
    if (viaHash && !SelectHashAlgorithm(method.algorithm)) {
        why = "the server did not select " + std::string(HashAlgorithmName(method.algorithm));
        return {};
    }
    if (control.RefuseUnsendable(remoteName)) {
        why = "the name cannot be sent";
        return {};
    }
    HashTimeLimit limit(control, fileSize);
    if (control.SendCommand(std::string(method.command) + " " + remoteName) != kComplete) {
        why = "the server answered " + std::to_string(control.ReplyCode()) + " to " + method.command;
        return {};
    }
    return viaHash ? DigestFromHashReply(control.ReplyText(), method.algorithm, fileSize, why)
                   : DigestFromCommandReply(control.ReplyText(), method.algorithm, why);
}

TransferVerifier::Check TransferVerifier::Verify(const std::string& remoteName,
                                                 const std::string& localPath) {
    const std::optional<Method> method = Choose();
    if (!method) return {};
    std::string why;
    const std::string serverDigest = ServerDigest(*method, remoteName, LocalSize(localPath), why);
    if (serverDigest.empty()) return CouldNotVerify(method->algorithm, why);
    int error = 0;
    const std::string localDigest =
        FileDigest(localPath, method->algorithm, error, [this] { return control.StopRequested(); });
    if (localDigest.empty())
        return CouldNotVerify(method->algorithm,
                              "the local file cannot be read (" + std::to_string(error) + ")");
    Check check;
    check.kind = serverDigest == localDigest ? Check::Kind::Matched : Check::Kind::Mismatch;
    check.algorithm = method->algorithm;
    check.serverDigest = serverDigest;
    check.localDigest = localDigest;
    return check;
}
