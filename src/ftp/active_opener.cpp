// Active-mode data connections: the listener announced with PORT, and the
// accept that takes only the server's connection.
#include "ftp/active_opener.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "ftp/tcp_data_stream.h"
#include "platform/net/service_lookup.h"
#include "platform/net/socket_error_codes.h"
#include "platform/net/socket_wait.h"

namespace {

// Waits until the listener has a connection, the control connection has
// something to say (serverSpoke, Ready) or the wake or the time limit ends the
// wait. A pending connection goes first: a server that has connected and
// already sent its final reply must still have its data taken.
net::WaitStatus WaitForListenerOrControl(int listener, int control, int wakeFd,
                                         std::chrono::milliseconds left, bool& serverSpoke) {
    serverSpoke = false;
    pollfd entries[3] = {{wakeFd, POLLIN, 0}, {listener, POLLIN, 0}, {control, POLLIN, 0}};
    for (;;) {
        const int ready = poll(entries, 3, left.count() > 0 ? static_cast<int>(left.count()) : -1);
        if (ready < 0 && errno == EINTR) continue;  // a signal that wants to cancel also signals wakeFd
        if (ready < 0) return net::WaitStatus::Failed;
        if (ready == 0) return net::WaitStatus::TimedOut;
        if (entries[0].revents != 0) return net::WaitStatus::Woken;
        if (entries[1].revents == 0 && entries[2].revents != 0) serverSpoke = true;
        return net::WaitStatus::Ready;
    }
}

}  // namespace

// A refused PORT or EPRT (any reply but 2xx) sends no transfer command over
// this way: the server would only try to reach a port it never took note of,
// or connect to the port a PORT before it named.
DataOpener::Prepared ActiveOpener::Prepare() {
    listenSocket = OpenListener();
    if (!listenSocket.IsOpen()) return Prepared::Failed;
    if (AnnounceListener(localAddress.Port())) {
        control.LogF("[%u] listener %s port %u", static_cast<unsigned>(listenSocket.Fd()),
                     localAddress.HostText().c_str(), localAddress.Port());
        return Prepared::Ready;
    }
    control.LogF("[%u] remote host not responding to port command.",
                 static_cast<unsigned>(listenSocket.Fd()));
    return control.Aborted() || control.StopRequested() ? Prepared::Failed : Prepared::Refused;
}

std::unique_ptr<DataStream> ActiveOpener::Complete(int& errorCode) {
    errorCode = 0;
    net::Socket accepted = AcceptFromServer(errorCode);
    if (!accepted.IsOpen()) {
        if (errorCode != 0) control.LogSocketError("accept", errorCode);
        control.CloseSocket(listenSocket);
        return nullptr;
    }
    control.CloseSocket(listenSocket);
    control.LogF("[%u] accept from %s port %u", static_cast<unsigned>(accepted.Fd()),
                 dataPeer.HostText().c_str(), dataPeer.Port());
    return std::make_unique<TcpDataStream>(control, std::move(accepted));
}

// The listener is bound to the control connection's own local address, not
// to every interface: only the server should see it, and PORT/EPRT announce
// that address anyway.
net::Socket ActiveOpener::OpenListener() {
    // What is bound and announced when the control connection's own address
    // cannot be read: the address it had when the last listener was opened.
    net::SocketAddress announced = localAddress;
    const bool controlLocalRead = net::SocketAddress::ReadLocal(control.Fd(), announced);
    const int controlLocalError = controlLocalRead ? 0 : net::LastSocketError();
    if (!controlLocalRead) announced = localAddress;
    if (!announced.IsIpv4() && !announced.IsIpv6()) net::SocketAddress::FromText("0.0.0.0", announced);

    net::Socket listener(
        ::socket(announced.IsIpv6() ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.IsOpen()) {
        control.LogSocketError("socket create", net::LastSocketError());
        return {};
    }
    control.LogF("[%u] going to listen %s port %u", static_cast<unsigned>(listener.Fd()),
                 localAddress.HostText().c_str(), localAddress.Port());

    SizeReceiveBuffer(listener.Fd());  // accepted sockets inherit it

    localAddress = announced;
    localAddress.SetPort(0);
    const char* failedStep = nullptr;
    if (bind(listener.Fd(), localAddress.Raw(), localAddress.Length()) != 0) {
        failedStep = "bind";
    } else if (!net::SocketAddress::ReadLocal(listener.Fd(), localAddress)) {
        failedStep = "getsockname";
    } else if (listen(listener.Fd(), 1) != 0) {
        failedStep = "listen";
    }
    if (failedStep != nullptr) {
        control.LogSocketError(failedStep, net::LastSocketError());
        return {};
    }
    if (!controlLocalRead) control.LogSocketError("getsockname", controlLocalError);

    return listener;
}

// PORT for IPv4 as every server knows it; EPRT (net-prt 2) for IPv6, where
// PORT cannot name the address.
bool ActiveOpener::AnnounceListener(unsigned port) {
    if (localAddress.IsIpv6()) {
        return control.Command("EPRT |2|%s|%u|", localAddress.HostText().c_str(), port) == kComplete;
    }
    const std::uint32_t address = localAddress.Ipv4();
    return control.Command("PORT %u,%u,%u,%u,%u,%u", (address >> 24) & 0xFF, (address >> 16) & 0xFF,
                           (address >> 8) & 0xFF, address & 0xFF, (port >> 8) & 0xFF,
                           port & 0xFF) == kComplete;
}

// Waits on the listener for the server's data connection. Anyone on the
// network can connect to the announced port, so a connection whose peer is
// not the host at the other end of the control connection is closed and the
// wait goes on, all within one time limit. Returns the accepted socket, or
// no socket with errorCode set (10004 when woken by Cancel, 10060 on timeout,
// 0 when the server sent its reply instead of connecting).
net::Socket ActiveOpener::AcceptFromServer(int& errorCode) {
    const net::SocketAddress expectedPeer = ControlPeer(control, login);
    using Clock = std::chrono::steady_clock;
    const bool limited = login.Settings().timeoutSeconds > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(login.Settings().timeoutSeconds);
    for (;;) {
        std::chrono::milliseconds left(0);
        if (limited) {
            left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) left = std::chrono::milliseconds(-1);
        }
        net::WaitStatus waited = net::WaitStatus::TimedOut;
        bool serverSpoke = false;
        if (left.count() >= 0)
            waited = WaitForListenerOrControl(listenSocket.Fd(), control.Fd(), control.WakeFd(), left,
                                              serverSpoke);
        if (serverSpoke) {
            // A server that cannot open the data connection says so on the
            // control connection (425, 421 ...); waiting on would only end at
            // the time limit. Its reply is read, so the session stays in step.
            const ReplyClass reply = control.ReadReply();
            if (reply == kPreliminary) continue;
            if (reply != kAborted) {
                control.LogF("[%u] The server replied without opening the data connection.",
                             static_cast<unsigned>(listenSocket.Fd()));
            }
            errorCode = 0;
            return {};
        }
        switch (waited) {
            case net::WaitStatus::Ready:
                break;
            case net::WaitStatus::Woken:
                control.Abort();
                errorCode = net::kErrorCancelled;
                return {};
            case net::WaitStatus::TimedOut:
                control.LogTimeLimit();
                control.Abort();
                errorCode = net::kErrorTimedOut;
                return {};
            case net::WaitStatus::Failed:
                errorCode = net::LastSocketError();
                return {};
        }
        net::SocketAddress peer;
        socklen_t peerLength = peer.Capacity();
        net::Socket accepted(accept4(listenSocket.Fd(), peer.Raw(), &peerLength, SOCK_CLOEXEC));
        if (!accepted.IsOpen()) {
            if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
            errorCode = net::LastSocketError();
            return {};
        }
        if (!peer.SameHost(expectedPeer)) {
            control.LogF("[%u] refused data connection from %s port %u: not the server",
                         static_cast<unsigned>(accepted.Fd()), peer.HostText().c_str(), peer.Port());
            continue;
        }
        dataPeer = peer;
        return accepted;
    }
}
