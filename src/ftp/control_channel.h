#pragma once

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ftp/log_queue.h"
#include "ftp/reply_class.h"
#include "ftp/tls/tls_stream.h"
#include "platform/net/socket.h"
#include "platform/net/wake_signal.h"

// The control connection of a session: its socket, the command writer (which
// refuses arguments that cannot be sent safely), the reply reader with its
// line limits and deadlines, the session log, and the waits that a stop
// request wakes. Every other part of the session talks to the server through
// it, and reads the last reply's code and text here.
class ControlChannel {
public:
    static constexpr std::size_t kReplyCapacity = 4096;
    static constexpr std::size_t kCommandCapacity = 91;  // composed by Command()
    static constexpr std::size_t kLogLineCapacity = 263;

    // connected is the session's connection flag: a lost connection clears it.
    ControlChannel(LogQueue& log, std::atomic<int>& connected);
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    // The time limit of every wait and of every whole reply (0: none).
    void SetTimeoutSeconds(int seconds) { timeoutSeconds = seconds; }
    int TimeoutSeconds() const { return timeoutSeconds; }

    // --- the socket ---
    bool IsOpen() const { return socket.IsOpen(); }
    int Fd() const { return socket.Fd(); }
    void Adopt(net::Socket connectedSocket) {
        tlsStream.reset();
        socket = std::move(connectedSocket);
    }
    net::Socket& Socket() { return socket; }
    // Closes the control socket and logs it (see CloseSocket).
    void Close() {
        if (!stopRequested.load()) tlsStream.reset();
        CloseSocket(socket);
    }

    // --- TLS ---
    // Starts TLS on the open control connection (AUTH TLS accepted, or an
    // implicit FTPS port): from then on every command and reply goes through
    // the TLS stream, whose waits are this channel's (wake, time limits).
    tls::StreamResult StartTls(const tls::ClientContext& context, const std::string& peerName,
                               std::shared_ptr<tls::SessionKeeper> sessions);
    // The control connection's TLS stream, or nullptr while it is plain.
    const tls::TlsStream* Tls() const { return tlsStream.get(); }
    // The waiter TLS streams of this connection use: the wake descriptor and
    // the time limit, with this channel's log line and abort on a time-out.
    tls::SocketWaiter Waiter();
    // Ends both directions at once, which also wakes a read blocked on it.
    void Shutdown();

    // --- commands and replies ---
    long SendAll(int fd, const char* bytes, std::size_t length, ReplyClass& status);
    long SendLine(const std::string& text);
    int ReadLine();
    ReplyClass ReadReply();
    ReplyClass SendCommand(const std::string& text);
    ReplyClass Command(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Logs why argument cannot be sent (line break, NUL, length) and clears
    // the reply code; false when it can be sent.
    bool RefuseUnsendable(const std::string& argument);
    int ReplyCode() const { return replyCode; }
    const std::string& ReplyText() const { return replyText; }
    void ClearReplyCode() { replyCode = 0; }
    // While set, ReadReply keeps every line of a reply in lines (nullptr: none).
    void CollectReplyLines(std::vector<std::string>* lines) { replyLines = lines; }
    // Servers that end reply lines with a bare CR (set at log-in).
    void SetCrEndsLine(bool value) { crEndsLine = value ? 1 : 0; }
    bool CrEndsLine() const { return crEndsLine != 0; }

    // Clears the session's connection flag (after QUIT, or a lost connection).
    void MarkDisconnected() { connected = 0; }
    // Sets it, as a log-in does (tests that open the socket themselves).
    void MarkConnected() { connected = 1; }

    // --- exchanges in progress and aborts ---
    // Two exchanges never interleave: BusyGuard raises this count around one.
    std::atomic<int>& BusyCount() { return busyCount; }
    bool Busy() const { return busyCount.load() > 0; }
    void ClearBusy() { busyCount = 0; }
    // An aborted session ends every reply read at once (as 421).
    bool Aborted() const { return abortFlag.load() != 0; }
    void Abort() { abortFlag = 1; }
    void ClearAbort() { abortFlag = 0; }

    // --- log ---
    void LogF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void LogSocketError(const char* prefix, int code);
    void LogStatistics(const char* verb, std::int64_t bytes, std::int64_t seconds);
    void LogTimeLimit();
    // How often a wait or a reply has run into the time limit: a transfer
    // compares it before and after to tell a time-out from other failures.
    int TimeLimitsReached() const { return timeLimitsReached.load(); }
    // Closes and logs it, unless a stop is requested (see the definition).
    void CloseSocket(net::Socket& target);

    // --- waits that a stop request can wake ---
    // Every blocking socket call waits here first: the socket, the wake
    // descriptor and the time limit. TimedOut logs the time-limit line; both
    // Woken and TimedOut abort, so the operation unwinds as aborted.
    enum class WaitOutcome { Ready, Woken, TimedOut, Failed };
    WaitOutcome WaitReadable(int fd);
    WaitOutcome WaitWritable(int fd);
    // The socket error number an unsuccessful wait stands for (0 for Ready).
    static int WaitErrorCode(WaitOutcome outcome);
    // The descriptor that becomes readable when a stop is requested.
    int WakeFd() const { return wake.Fd(); }
    // Sets the stop flag (which silences LogF) and wakes every blocked wait.
    // Async-signal-safe, so the command-line front end calls it from its
    // SIGINT handler.
    void RequestStop();
    // After the stopped thread has been joined: clears the flag and the wake.
    void ClearStop();
    bool StopRequested() const { return stopRequested.load(); }
    bool StopRequestedRelaxed() const { return stopRequested.load(std::memory_order_relaxed); }

private:
    WaitOutcome WaitForServer(int fd, short events);
    void AppendLogLine(const std::string& line);
    static const char* RefusalReason(const std::string& text);
    long PeekControl(char* into, int& errorCode);
    long PeekSecured(char* into, int& errorCode);
    // Takes count bytes that PeekControl has shown.
    long TakeControl(char* into, std::size_t count, int& errorCode);
    bool ReplyOverdue(std::size_t lines);

    LogQueue& log;
    std::atomic<int>& connected;
    net::Socket socket;
    net::WakeSignal wake;
    std::atomic<bool> stopRequested{false};
    std::atomic<int> abortFlag{0};
    std::atomic<int> busyCount{0};
    std::atomic<int> timeLimitsReached{0};
    int timeoutSeconds = 0;
    int replyCode = 0;
    std::string replyText;
    int crEndsLine = 0;
    std::string sendBuffer;
    std::string readFailure;  // why the last ReadLine ended the reply, logged after the line
    // When the reply being read is overdue (none outside ReadReply).
    std::chrono::steady_clock::time_point replyDeadline{};
    std::vector<std::string>* replyLines = nullptr;
    std::unique_ptr<tls::TlsStream> tlsStream;
    std::string tlsReceived;  // decrypted control bytes not yet taken by ReadLine
};
