#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "ftp/connection_protection.h"
#include "ftp/connection_settings.h"
#include "ftp/control_channel.h"
#include "ftp/reply_class.h"
#include "ftp/server_features.h"
#include "platform/net/host_resolver.h"
#include "platform/net/socket.h"
#include "platform/net/socket_address.h"

// How a log-in ended. The log has told the story already; this says the cause
// in a form a caller can name in its own words (an error box, an exit code).
struct LogonResult {
    enum class Cause {
        Connected,
        AlreadyConnected,
        NoFirewallHost,     // firewall on, but no firewall host entered
        HostNotFound,       // the name did not resolve
        ConnectionRefused,  // nobody answered at the address
        TimedOut,           // the lookup or the connect ran into the time limit
        ConnectionFailed,   // another socket error (see socketError)
        Cancelled,
        BadWelcome,        // the server's opening reply was not 2xx
        ProxyRefused,      // the firewall refused its log-in or the remote host
        WrongCredentials,  // USER/PASS (or what names the remote user) refused
        NotSecured,        // the TLS the settings ask for could not be set up, or its certificate was refused
    };
    static constexpr int kNoSocket = -1;

    Cause cause = Cause::Connected;
    int socket = kNoSocket;      // the control descriptor, once connected
    std::string host;            // the host dialled (the firewall host through a proxy)
    net::SocketAddress address;  // the address tried last; port 0 when none was
    int socketError = 0;         // the socket error number of a failed connect
    int replyCode = 0;           // the server's refusal (BadWelcome, ProxyRefused, WrongCredentials)
    std::string replyText;

    bool Connected() const { return cause == Cause::Connected; }
};

// "Could not connect to HOST port N: Connection refused": how a connect that
// nobody answered or the network refused ended, in the system's words, never
// a hint about log-in names. Empty for every other outcome.
std::string ConnectFailureText(const LogonResult& result);

// Opening the control connection and logging in: the host lookup, a connect
// to each address in turn under the time limit, the four firewall proxy
// modes, USER/PASS, and the FEAT/OPTS exchange that follows a log-in.
class Login {
public:
    // connected is the session's flag; localAddress and dataPeer are the
    // session's addresses that a connect sets and the data side reuses.
    // protection secures the connection as the settings ask.
    Login(ControlChannel& control, std::atomic<int>& connected, net::SocketAddress& localAddress,
          net::SocketAddress& dataPeer, ConnectionProtection& protection)
        : control(control),
          connected(connected),
          localAddress(localAddress),
          dataPeer(dataPeer),
          protection(protection) {}

    // Takes the settings of the next connection (firewall values cut to 79,
    // 29 and 29 characters); Logon uses them.
    void Configure(const ConnectionSettings& newSettings);
    const ConnectionSettings& Settings() const { return settings; }
    // Connects and logs in.
    LogonResult Logon();
    // What the server offered in its answer to FEAT after the last log-in.
    const ServerFeatures& Features() const { return features; }
    // Set by Logon: the firewall passes a plain USER on itself (modes 3, 4).
    int DirectUserLogin() const { return directUserLogin; }
    // The server's address (last connect).
    const net::SocketAddress& ServerAddress() const { return serverAddress; }

    net::Socket ConnectSocket(const std::string& hostName, const std::string& serviceName,
                              const std::string& protocolName);
    // Connects to the first of the addresses that answers (ports set).
    net::Socket ConnectToEach(const std::vector<net::SocketAddress>& addresses, int type, int protocol,
                              const std::string& hostName, const std::string& serviceName);
    // A connect that the wake descriptor and the time limit can end.
    bool ConnectWithLimit(int socket, const net::SocketAddress& address, int& errorCode);
    // A connect that the wake descriptor ends, bounded by its own limit
    // (errorCode kErrorTimedOut when it ran out; the session goes on).
    bool ConnectWithin(int socket, const net::SocketAddress& address, std::chrono::milliseconds limit,
                       int& errorCode);

private:
    using WaitOutcome = ControlChannel::WaitOutcome;

    bool ConnectAndWait(int socket, const net::SocketAddress& address, int& errorCode,
                        const std::function<WaitOutcome()>& waitWritable);
    void CloseControlAfterFailedLogon();
    LogonResult LogonSteps();
    LogonResult Failure(LogonResult::Cause cause, const std::string& host) const;
    bool LogonToProxy(ReplyClass& replyClass);
    ReplyClass SendRemoteUser(ReplyClass proxyClass);
    void AskFeatures();
    void AskListingFacts();

    ControlChannel& control;
    std::atomic<int>& connected;
    net::SocketAddress& localAddress;
    net::SocketAddress& dataPeer;
    ConnectionProtection& protection;
    ConnectionSettings settings;
    ServerFeatures features;
    net::HostResolver resolver;
    net::SocketAddress serverAddress;
    int directUserLogin = 0;
    int connectError = 0;  // the socket error that ended the last ConnectSocket, else 0
};
