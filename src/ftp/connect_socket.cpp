// Opening the control connection: service, host and protocol lookups, and a
// connect that the wake descriptor and the time limit can end.
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "ftp/login.h"
#include "platform/net/host_port.h"
#include "platform/net/service_lookup.h"
#include "platform/net/socket_error_codes.h"
#include "platform/net/socket_wait.h"

namespace {

constexpr int kDefaultFtpPort = 21;

}  // namespace

net::Socket Login::ConnectSocket(const std::string& hostName, const std::string& serviceName,
                                 const std::string& protocolName) {
    serverAddress = {};
    connectError = 0;

    // A host text may carry its own port ("host:2121", "[::1]:2121"); it wins
    // over the rest.
    std::string name;
    int port = 0;
    if (!net::SplitHostPort(hostName, name, port)) {
        name = hostName;
        port = 0;
    }
    if (port == 0 && settings.firewall.on && settings.firewall.port != 0) port = settings.firewall.port;
    if (port == 0) port = net::ServicePort(serviceName, protocolName);
    if (port == 0) port = std::atoi(serviceName.c_str());
    if (port == 0) {
        control.LogF("can't get \"%s\" service entry, will use default", serviceName.c_str());
        port = kDefaultFtpPort;
    }

    std::vector<net::SocketAddress> addresses;
    int resolveError = 0;
    const std::chrono::seconds limit(settings.timeoutSeconds > 0 ? settings.timeoutSeconds : 0);
    switch (resolver.Resolve(name, control.WakeFd(), limit, addresses, resolveError)) {
        case net::ResolveStatus::Found:
            break;
        case net::ResolveStatus::Woken:
            control.Abort();
            connectError = net::kErrorCancelled;
            return {};
        case net::ResolveStatus::TimedOut:
            control.LogTimeLimit();
            control.Abort();
            connectError = net::kErrorTimedOut;
            [[fallthrough]];
        case net::ResolveStatus::NotFound:
            if (connectError == 0) connectError = net::kErrorHostNotFound;
            control.LogF("can't get \"%s\" host entry", hostName.c_str());
            return {};
    }
    for (net::SocketAddress& address : addresses) address.SetPort(static_cast<unsigned>(port));
    serverAddress = addresses.front();

    int protocol = net::ProtocolNumber(protocolName);
    if (protocol < 0) {
        if (protocolName != "tcp") {
            control.LogF("can't get \"%s\" protocol entry", protocolName.c_str());
            return {};
        }
        control.LogF("can't get \"%s\" protocol entry, will use default", protocolName.c_str());
        protocol = IPPROTO_TCP;
    }
    const int type = protocolName == "udp" ? SOCK_DGRAM : SOCK_STREAM;
    return ConnectToEach(addresses, type, protocol, hostName, serviceName);
}

// A name with several addresses (IPv6 and IPv4, or many servers) is tried
// address by address until one answers. The earlier failures are logged as
// they happen, the last one as the connection's failure. A cancel or the
// time limit ends the trial.
net::Socket Login::ConnectToEach(const std::vector<net::SocketAddress>& addresses, int type, int protocol,
                                 const std::string& hostName, const std::string& serviceName) {
    int errorCode = net::kErrorHostNotFound;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        serverAddress = addresses[i];
        dataPeer = serverAddress;
        dataPeer.SetPort(20);
        const bool last = i + 1 == addresses.size();
        net::Socket socket(::socket(serverAddress.Family(), type | SOCK_CLOEXEC, protocol));
        if (!socket.IsOpen()) {
            errorCode = net::LastSocketError();
            if (last) {
                control.LogSocketError("create socket", errorCode);
                connectError = errorCode;
                return {};
            }
        } else if (ConnectWithLimit(socket.Fd(), serverAddress, errorCode)) {
            control.LogF("Connected to %s port %u", serverAddress.HostText().c_str(), serverAddress.Port());
            return socket;
        }
        if (errorCode == net::kErrorCancelled) {
            connectError = errorCode;
            return {};
        }
        if (last || control.Aborted()) break;
        control.LogF("Can't connect to %s port %u; trying the next address.",
                     serverAddress.HostText().c_str(), serverAddress.Port());
        control.LogSocketError(nullptr, errorCode);
    }
    control.LogF("Can't connect to %s %s service.", hostName.c_str(), serviceName.c_str());
    control.LogSocketError(nullptr, errorCode);
    connectError = errorCode;
    return {};
}

// connect() itself cannot be woken, so it runs non-blocking and the wait for
// its completion goes through the wake descriptor and the time limit.
bool Login::ConnectWithLimit(int socket, const net::SocketAddress& address, int& errorCode) {
    return ConnectAndWait(socket, address, errorCode,
                          [this, socket] { return control.WaitWritable(socket); });
}

// Unlike the session's time limit, running into this one does not end the
// session: the caller has another way to try.
bool Login::ConnectWithin(int socket, const net::SocketAddress& address, std::chrono::milliseconds limit,
                          int& errorCode) {
    return ConnectAndWait(socket, address, errorCode, [this, socket, limit] {
        switch (net::WaitForSocket(socket, POLLOUT, control.WakeFd(), limit)) {
            case net::WaitStatus::Ready:
                return WaitOutcome::Ready;
            case net::WaitStatus::Woken:
                control.Abort();
                return WaitOutcome::Woken;
            case net::WaitStatus::TimedOut:
                return WaitOutcome::TimedOut;
            case net::WaitStatus::Failed:
                break;
        }
        return WaitOutcome::Failed;
    });
}

bool Login::ConnectAndWait(int socket, const net::SocketAddress& address, int& errorCode,
                           const std::function<WaitOutcome()>& waitWritable) {
    const int flags = fcntl(socket, F_GETFL);
    fcntl(socket, F_SETFL, flags | O_NONBLOCK);
    int result = connect(socket, address.Raw(), address.Length());
    if (result != 0 && errno != EINPROGRESS) {
        errorCode = net::LastSocketError();
        return false;
    }
    if (result != 0) {
        const WaitOutcome outcome = waitWritable();
        if (outcome != WaitOutcome::Ready) {
            errorCode = control.WaitErrorCode(outcome);
            return false;
        }
        int pending = 0;
        socklen_t length = sizeof pending;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) pending = errno;
        if (pending != 0) {
            errorCode = net::SocketErrorFromErrno(pending);
            return false;
        }
    }
    fcntl(socket, F_SETFL, flags);
    return true;
}
