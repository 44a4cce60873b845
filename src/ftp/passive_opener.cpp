// Passive-mode data connections: EPSV, then PASV when EPSV gives no data
// connection (and the connection is IPv4), then a connect to the port the
// server names, on the host at the other end of the control connection.
#include "ftp/passive_opener.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "ftp/passive_reply.h"
#include "ftp/socket_error_text.h"
#include "ftp/tcp_data_stream.h"
#include "platform/net/service_lookup.h"
#include "platform/net/socket_error_codes.h"

namespace {

// The server is closing the control connection: no other way can help.
constexpr int kServiceClosing = 421;
// "Can't open data connection": vsftpd and others say it when their passive
// ports are used up for a moment, so EPSV is asked once more before PASV.
constexpr int kCannotOpenDataConnection = 425;

}  // namespace

DataOpener::Prepared PassiveOpener::Prepare() {
    const bool pasvPossible = ControlPeer(control, login).IsIpv4();
    if (!epsvSkipped) {
        switch (TryEpsv(pasvPossible ? "trying PASV" : nullptr)) {
            case Attempt::Connected:
                return Prepared::Ready;
            case Attempt::Stopped:
                return Prepared::Failed;
            case Attempt::NextWay:
                break;
        }
    }
    // PASV can only name an IPv4 port; over IPv6 a server whose EPSV fails is
    // used in active mode (EPRT).
    if (!pasvPossible) return Prepared::Unavailable;
    switch (TryPasv(nullptr)) {
        case Attempt::Connected:
            // The way that worked: later transfers on this connection start with it.
            epsvSkipped = true;
            return Prepared::Ready;
        case Attempt::Stopped:
            return Prepared::Failed;
        case Attempt::NextWay:
            break;
    }
    return Prepared::Unavailable;
}

std::unique_ptr<DataStream> PassiveOpener::Complete(int& errorCode) {
    errorCode = 0;
    return std::make_unique<TcpDataStream>(control, std::move(connection));
}

PassiveOpener::Attempt PassiveOpener::TryEpsv(const char* next) {
    for (int asked = 1;; ++asked) {
        if (control.Command("EPSV") == kComplete && control.ReplyCode() == 229) break;
        // 500, 502: the server does not know EPSV and is not asked again.
        if (control.ReplyCode() == 500 || control.ReplyCode() == 502) epsvSkipped = true;
        if (asked > 1 || control.ReplyCode() != kCannotOpenDataConnection || control.Aborted())
            return RefusedOrStopped("EPSV", next);
        control.LogF("EPSV refused (425); asking once more.");
    }
    PassiveReply reply;
    if (!PassiveReply::ParseEpsv(control.ReplyText(), reply)) {
        LogNextWay("The server's EPSV reply names no port", next);
        return Attempt::NextWay;
    }
    net::SocketAddress target = ControlPeer(control, login);
    target.SetPort(reply.port);
    return ConnectToPort(target, next);
}

// Whatever address a PASV reply names, the target is the control
// connection's peer: a hostile server could aim the client at a third host,
// and a server behind NAT names its private address.
PassiveOpener::Attempt PassiveOpener::TryPasv(const char* next) {
    if (control.Command("PASV") != kComplete || control.ReplyCode() != 227)
        return RefusedOrStopped("PASV", next);
    PassiveReply reply;
    if (!PassiveReply::ParsePasv(control.ReplyText(), reply)) {
        LogNextWay("The server's PASV reply names no valid address and port", next);
        return Attempt::NextWay;
    }
    net::SocketAddress target = ControlPeer(control, login);
    if (reply.address != target.Ipv4()) {
        in_addr named{};
        named.s_addr = htonl(reply.address);
        control.LogF(
            "The server named %s for the data connection; connecting to %s instead, the server's own "
            "address.",
            net::DottedAddress(named).c_str(), target.HostText().c_str());
    }
    target.SetPort(reply.port);
    return ConnectToPort(target, next);
}

// Any refusal (vsftpd answers 550 where passive mode is switched off) or an
// answer that is not the expected one leaves the next way to try; a stopped
// session or a server that is closing (421) leaves none.
PassiveOpener::Attempt PassiveOpener::RefusedOrStopped(const char* verb, const char* next) {
    if (control.Aborted() || control.StopRequested() || control.ReplyCode() == kServiceClosing)
        return Attempt::Stopped;
    if (next != nullptr) control.LogF("%s refused (%d); %s.", verb, control.ReplyCode(), next);
    return Attempt::NextWay;
}

// A port that refuses or does not answer within the data connection limit (a
// firewall that drops it) leaves the next way to try; a wake ends it at once.
PassiveOpener::Attempt PassiveOpener::ConnectToPort(const net::SocketAddress& target, const char* next) {
    net::Socket socket(::socket(target.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen()) {
        control.LogSocketError("socket create", net::LastSocketError());
        return Attempt::Stopped;
    }
    SizeReceiveBuffer(socket.Fd());
    control.LogF("[%u] going to connect %s port %u", static_cast<unsigned>(socket.Fd()),
                 target.HostText().c_str(), target.Port());
    const ConnectionSettings& settings = login.Settings();
    std::chrono::milliseconds limit = settings.dataConnectLimit;
    if (settings.timeoutSeconds > 0)
        limit = std::min<std::chrono::milliseconds>(limit, std::chrono::seconds(settings.timeoutSeconds));
    int errorCode = 0;
    if (!login.ConnectWithin(socket.Fd(), target, limit, errorCode)) {
        if (control.Aborted()) return Attempt::Stopped;
        const std::string why = errorCode == net::kErrorTimedOut
                                    ? "no answer within " + std::to_string(limit.count()) + " ms"
                                    : SocketErrorText(errorCode);
        LogNextWay("The passive data connection to " + target.HostText() + " port " +
                       std::to_string(target.Port()) + " failed (" + why + ")",
                   next);
        return Attempt::NextWay;
    }
    dataPeer = target;
    control.LogF("[%u] connected to %s port %u", static_cast<unsigned>(socket.Fd()),
                 target.HostText().c_str(), target.Port());
    connection = std::move(socket);
    return Attempt::Connected;
}

void PassiveOpener::LogNextWay(const std::string& why, const char* next) {
    if (next != nullptr) {
        control.LogF("%s; %s.", why.c_str(), next);
    } else {
        control.LogF("%s.", why.c_str());
    }
}
