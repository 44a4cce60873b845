// The expected size of a download, read from the 150 reply that announces it.
// Whatever the line holds, the size is either left alone (0) or a positive
// number that the line spells out in decimal.
#include <algorithm>
#include <cctype>

#include "ftp/ftp_session.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    LogQueue log;
    TransferStatus status;
    FtpSession session(log, status);
    // A reply line is never longer than the reader's buffer.
    const std::string reply = input.TakeRest().substr(0, FtpSession::kReplyCapacity - 1);
    session.Transfer().ParseSizeFromReply(reply);

    const std::int64_t expected = status.expectedBytes;
    FUZZ_CHECK(expected >= 0);
    if (expected > 0) {
        std::string upper = reply;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const std::string digits = std::to_string(expected);
        const std::size_t at = upper.find(digits);
        FUZZ_CHECK(at != std::string::npos);
        FUZZ_CHECK(upper.find(" BYTES", at + digits.size()) != std::string::npos);
    }
    return 0;
}
