// Feeds a server's byte stream to the reply reader over a socket pair, in
// chunks whose sizes the input chooses, and checks what every reply read
// leaves behind. The stream ends with the server closing its end, so every
// input ends in the aborted state.
//
// Input: one flag byte (bit 0: a lone CR ends a line), one chunk-size seed
// (0: everything in one piece), then the bytes the server sends.
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ftp/ftp_session.h"
#include "fuzz_support.h"

namespace {

// Each chunk costs a hand-over between the two threads; past this many the
// rest of the stream goes in one piece, so that long inputs stay fast.
constexpr std::size_t kMostChunks = 24;

std::vector<std::string> SplitIntoChunks(const std::string& stream, std::uint8_t seed) {
    std::vector<std::string> chunks;
    std::uint32_t state = seed;
    for (std::size_t at = 0; at < stream.size();) {
        std::size_t length = stream.size() - at;
        if (seed != 0 && chunks.size() + 1 < kMostChunks) {
            state = state * 1103515245u + 12345u;
            length = std::min<std::size_t>(length, 1 + (state >> 16) % 200);
        }
        chunks.push_back(stream.substr(at, length));
        at += length;
    }
    return chunks;
}

// Plays the server: sends each chunk and waits until the reader has taken
// everything queued, so each chunk boundary is a moment when the reader finds
// the socket empty.
void PlayServer(int serverEnd, int clientEnd, const std::vector<std::string>& chunks,
                const std::atomic<bool>& readerDone) {
    for (const std::string& chunk : chunks) {
        std::size_t sent = 0;
        while (sent < chunk.size() && !readerDone) {
            ssize_t count =
                send(serverEnd, chunk.data() + sent, chunk.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (count > 0) sent += static_cast<std::size_t>(count);
            if (count < 0) std::this_thread::yield();
        }
        for (;;) {
            int queued = 0;
            if (readerDone || ioctl(clientEnd, FIONREAD, &queued) != 0 || queued == 0) break;
            std::this_thread::yield();
        }
    }
    shutdown(serverEnd, SHUT_WR);
}

void CheckReply(FtpSession& session, ReplyClass replyClass) {
    FUZZ_CHECK(replyClass >= kPreliminary && replyClass <= kAborted);
    FUZZ_CHECK(!session.Control().Busy());
    FUZZ_CHECK(session.Control().ReplyText().size() < FtpSession::kReplyCapacity);
    FUZZ_CHECK(session.Control().ReplyText().find('\0') == std::string::npos);
    if (replyClass == kAborted) {
        FUZZ_CHECK(session.Control().Aborted());
        FUZZ_CHECK(session.Control().ReplyCode() == 421);
        return;
    }
    // A reply ends at a line that starts with its code and does not continue.
    FUZZ_CHECK(session.Control().ReplyCode() >= 100 && session.Control().ReplyCode() <= 599);
    FUZZ_CHECK(ReplyClassOf(session.Control().ReplyCode()) == replyClass);
    FUZZ_CHECK(session.Control().ReplyText().compare(0, 3, std::to_string(session.Control().ReplyCode())) ==
               0);
    FUZZ_CHECK(session.Control().ReplyText().size() <= 3 || session.Control().ReplyText()[3] != '-');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const std::uint8_t flags = input.TakeByte();
    const std::uint8_t seed = input.TakeByte();
    const std::string stream = input.TakeRest();

    int ends[2];
    FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0);
    LogQueue log;
    TransferStatus status;
    std::size_t replies = 0;
    {
        FtpSession session(log, status);
        ConnectionSettings settings;
        settings.timeoutSeconds = 10;  // far beyond any honest run; a stall is a finding
        session.Configure(settings);
        session.Control().SetCrEndsLine((flags & 1) != 0);
        session.Control().Adopt(net::Socket(ends[0]));

        std::atomic<bool> readerDone{false};
        std::thread server(PlayServer, ends[1], ends[0], SplitIntoChunks(stream, seed),
                           std::cref(readerDone));
        while (!session.Control().Aborted()) {
            CheckReply(session, session.Control().ReadReply());
            ++replies;
            // Every reply read consumes at least one byte of the stream.
            FUZZ_CHECK(replies <= stream.size() + 1);
        }
        readerDone = true;
        server.join();
        // Only the end of the stream can have stopped the reader.
        FUZZ_CHECK(session.Control().ReplyCode() == 421);
    }  // the session closes its end of the pair
    close(ends[1]);

    for (const std::string& line : log.TakeAll()) FUZZ_CHECK(line.size() <= FtpSession::kLogLineCapacity);
    return 0;
}
