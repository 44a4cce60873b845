#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/data_link.h"

namespace testsupport {

class ScriptedFtpServer;

// The server's end of one accepted control connection, handed to step
// handlers. Handlers run on the server thread and may block (Pause, data
// transfers); the destructor of the server wakes a Pause.
class ScriptedConnection {
public:
    ScriptedConnection(ScriptedFtpServer& server, int fd) : server(server), link(fd) {}

    // Sends raw bytes (the test writes the CR LF itself, or leaves it out).
    void Send(const std::string& bytes);
    // Waits; returns false when the server is being stopped.
    bool Pause(std::chrono::milliseconds duration);
    // Ends the control connection with FIN (Close) or with RST (Reset).
    void Close() { link.Close(); }
    void Reset() { link.Reset(); }
    bool IsOpen() const { return link.IsOpen(); }

    // Argument of the last PORT or EPRT command on this connection
    // ("127,0,0,1,4,1", "|2|::1|1025|").
    const std::string& LastPortArgument() const { return lastPortArgument; }
    // Connects to the address a PORT or EPRT argument names, from a chosen
    // local address (another 127.0.0.x plays a third host).
    DataLink ConnectToPort(const std::string& portArgument, const std::string& fromAddress = "");
    DataLink ConnectToLastPort(const std::string& fromAddress = "") {
        return ConnectToPort(lastPortArgument, fromAddress);
    }

private:
    friend class ScriptedFtpServer;
    ScriptedFtpServer& server;
    DataLink link;
    std::string lastPortArgument;
};

using StepHandler = std::function<void(ScriptedConnection& connection, const std::string& line)>;

// A one-client-at-a-time FTP server on 127.0.0.1 (or ::1) and a port the system
// chooses. It greets every connection, answers each received line with the
// next step of its script, and records every line the client sent.
// Unscripted lines get "502 Command not scripted."; an unscripted "quit" gets
// "221 Goodbye." and the connection is closed. A SIZE, AUTH, FEAT, OPTS or PWD that the
// next step does not expect gets the same 502 and uses no step, so scripts need
// not script them.
class ScriptedFtpServer {
public:
    static constexpr const char* kDefaultGreeting = "220 Scripted server ready.\r\n";

    explicit ScriptedFtpServer(std::string greeting = kDefaultGreeting, std::string loopback = "127.0.0.1");
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    unsigned short Port() const { return port; }
    std::string HostText() const;  // "127.0.0.1:PORT", "[::1]:PORT"

    // Raw greeting bytes; empty sends nothing (a server that never greets).
    void SetGreeting(std::string raw);
    // Runs at every accept instead of the greeting text (line is empty).
    void SetGreetingHandler(StepHandler handler);

    // Appends a step: the expected command verb (compared without regard to
    // case; a mismatch is recorded, the step is played all the same) and the
    // raw reply or the handler that answers.
    ScriptedFtpServer& Expect(std::string verb, std::string reply);
    ScriptedFtpServer& Expect(std::string verb, StepHandler handler);

    // Every line the client sent, without CR LF, in order.
    std::vector<std::string> Received() const;
    // Every byte the client sent on control connections.
    std::string ReceivedBytes() const;
    std::vector<std::string> Mismatches() const;
    std::size_t PendingSteps() const;
    int ConnectionCount() const;
    // Waits until count lines have arrived.
    bool WaitForLines(std::size_t count, std::chrono::milliseconds limit) const;
    // Waits until the client has closed its end of the current connection.
    bool WaitForClientClose(std::chrono::milliseconds limit) const;

private:
    friend class ScriptedConnection;
    struct Step {
        std::string verb;
        std::string reply;
        StepHandler handler;
    };

    void Serve();
    void ServeConnection(int fd);
    void Answer(ScriptedConnection& connection, const std::string& line);
    bool WaitStoppable(int fd, std::chrono::milliseconds limit) const;

    std::string loopback;
    int listenFd = -1;
    int stopFd = -1;
    unsigned short port = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::string greeting;
    StepHandler greetingHandler;
    std::deque<Step> steps;
    std::vector<std::string> received;
    std::string receivedBytes;
    std::vector<std::string> mismatches;
    int connections = 0;
    bool clientClosed = false;

    std::thread thread;
};

// The data step of a download: the preliminary reply, the data over a
// connection to the port the client announced, then the final reply.
StepHandler SendDownload(std::string data, std::string finalReply = "226 Transfer complete.\r\n",
                         std::string preliminary = "150 Opening BINARY mode data connection.\r\n");

}  // namespace testsupport
