// The digest in a server's answer to HASH or an X command. Whatever the line
// holds, a digest read from it is the algorithm's length in lower-case hex
// and is spelled out in the line (in either case): a hostile reply cannot
// make up a digest that would pass a check.
#include <algorithm>
#include <cctype>

#include "ftp/ftp_session.h"
#include "ftp/hash_reply.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const std::uint8_t choice = input.TakeByte();
    const HashAlgorithm algorithm = static_cast<HashAlgorithm>(choice % 4);
    const std::int64_t fileSize = static_cast<std::int64_t>(input.TakeByte()) * 1000;
    const std::string reply = input.TakeRest().substr(0, FtpSession::kReplyCapacity - 1);
    std::string why;
    const std::string digest = (choice & 0x80) != 0 ? DigestFromHashReply(reply, algorithm, fileSize, why)
                                                    : DigestFromCommandReply(reply, algorithm, why);
    FUZZ_CHECK(digest.empty() != why.empty());
    if (digest.empty()) return 0;
    FUZZ_CHECK(digest.size() == HexDigestLength(algorithm));
    FUZZ_CHECK(std::all_of(digest.begin(), digest.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f');
    }));
    std::string lower = reply;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    FUZZ_CHECK(lower.find(digest) != std::string::npos);
    return 0;
}
