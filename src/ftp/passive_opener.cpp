// Passive-mode data connections: EPSV (PASV when the server does not know
// it and the connection is IPv4), then a connect to the port the server names, on the host at the other
// end of the control connection.
#include "ftp/passive_opener.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

#include "ftp/passive_reply.h"
#include "ftp/tcp_data_stream.h"
#include "platform/net/service_lookup.h"
#include "platform/net/socket_error_codes.h"

namespace {

bool NotUnderstood(int replyCode) { return replyCode == 500 || replyCode == 502; }

}  // namespace

// The connect waits like the control connection's: the wake descriptor ends
// it at once, the time limit bounds it.
DataOpener::Prepared PassiveOpener::Prepare() {
    net::SocketAddress target;
    const Prepared asked = AskPassivePort(target);
    if (asked != Prepared::Ready) return asked;
    net::Socket socket(::socket(target.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen()) {
        control.LogSocketError("socket create", net::LastSocketError());
        return Prepared::Failed;
    }
    SizeReceiveBuffer(socket.Fd());
    control.LogF("[%u] going to connect %s port %u", static_cast<unsigned>(socket.Fd()),
                 target.HostText().c_str(), target.Port());
    int errorCode = 0;
    if (!login.ConnectWithLimit(socket.Fd(), target, errorCode)) {
        // A wake or the time limit (both abort the session) has said so already.
        if (!control.Aborted()) {
            control.LogF("The passive data connection to %s port %u failed.", target.HostText().c_str(),
                         target.Port());
            control.LogSocketError("connect", errorCode);
        }
        return Prepared::Failed;
    }
    dataPeer = target;
    control.LogF("[%u] connected to %s port %u", static_cast<unsigned>(socket.Fd()),
                 target.HostText().c_str(), target.Port());
    connection = std::move(socket);
    return Prepared::Ready;
}

std::unique_ptr<DataStream> PassiveOpener::Complete(int& errorCode) {
    errorCode = 0;
    return std::make_unique<TcpDataStream>(control, std::move(connection));
}

// Asks the server for a data port. Whatever address a PASV reply names, the
// target is the control connection's peer: a hostile server could aim the
// client at a third host, and a server behind NAT names its private address.
DataOpener::Prepared PassiveOpener::AskPassivePort(net::SocketAddress& target) {
    target = ControlPeer(control, login);
    PassiveReply reply;
    if (!epsvUnknown) {
        const ReplyClass replyClass = control.Command("EPSV");
        if (replyClass == kComplete && control.ReplyCode() == 229) {
            if (!PassiveReply::ParseEpsv(control.ReplyText(), reply)) {
                control.LogF("The server's EPSV reply names no port; the transfer is not started.");
                return Prepared::Failed;
            }
            target.SetPort(reply.port);
            return Prepared::Ready;
        }
        if (!NotUnderstood(control.ReplyCode()) || control.Aborted()) return Prepared::Failed;
        epsvUnknown = true;
    }
    // PASV can only name an IPv4 port; over IPv6 a server without EPSV is
    // used in active mode (EPRT).
    if (!target.IsIpv4()) return Prepared::Unavailable;
    const ReplyClass replyClass = control.Command("PASV");
    if (replyClass == kComplete && control.ReplyCode() == 227) {
        if (!PassiveReply::ParsePasv(control.ReplyText(), reply)) {
            control.LogF(
                "The server's PASV reply names no valid address and port; the transfer is not started.");
            return Prepared::Failed;
        }
        in_addr named{};
        named.s_addr = htonl(reply.address);
        if (reply.address != target.Ipv4()) {
            control.LogF(
                "The server named %s for the data connection; connecting to %s instead, the server's own "
                "address.",
                net::DottedAddress(named).c_str(), target.HostText().c_str());
        }
        target.SetPort(reply.port);
        return Prepared::Ready;
    }
    if (NotUnderstood(control.ReplyCode()) && !control.Aborted()) return Prepared::Unavailable;
    return Prepared::Failed;
}
