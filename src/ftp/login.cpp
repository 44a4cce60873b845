// Opening the control connection and logging in, directly or through a
// firewall proxy in one of four modes.
#include "ftp/login.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "ftp/bounded_text.h"
#include "ftp/busy_guard.h"
#include "ftp/socket_error_text.h"
#include "platform/net/host_port.h"
#include "platform/net/service_lookup.h"
#include "platform/net/socket_error_codes.h"

namespace {

constexpr std::size_t kFirewallHostCapacity = 79;
constexpr std::size_t kFirewallCredentialCapacity = 29;

LogonResult::Cause CauseOfConnectError(int code) {
    using Cause = LogonResult::Cause;
    switch (code) {
        case net::kErrorCancelled:
            return Cause::Cancelled;
        case net::kErrorTimedOut:
            return Cause::TimedOut;
        case net::kErrorConnectionRefused:
            return Cause::ConnectionRefused;
        case net::kErrorHostNotFound:
        case net::kErrorTryAgain:
        case net::kErrorNoRecovery:
        case net::kErrorNoData:
            return Cause::HostNotFound;
        default:
            return Cause::ConnectionFailed;
    }
}

}  // namespace

std::string ConnectFailureText(const LogonResult& result) {
    using Cause = LogonResult::Cause;
    if ((result.cause != Cause::ConnectionRefused && result.cause != Cause::ConnectionFailed) ||
        result.socketError == 0)
        return {};
    std::string host = result.host;
    int port = 0;
    if (!net::SplitHostPort(result.host, host, port)) host = result.host;
    if (result.address.Port() != 0) port = result.address.Port();
    std::string text = "Could not connect to " + host;
    if (port != 0) text += " port " + std::to_string(port);
    return text + ": " + SocketErrorText(result.socketError);
}

void Login::Configure(const ConnectionSettings& newSettings) {
    settings = newSettings;
    control.SetTimeoutSeconds(settings.timeoutSeconds);
    FirewallSettings& firewall = settings.firewall;
    firewall.host = CutToCapacity(firewall.host, kFirewallHostCapacity);
    firewall.user = CutToCapacity(firewall.user, kFirewallCredentialCapacity);
    firewall.password = CutToCapacity(firewall.password, kFirewallCredentialCapacity);
}

void Login::CloseControlAfterFailedLogon() {
    // Only a stopped worker keeps the socket (CloseSocket leaves it alone),
    // for the cancel sequence to close.
    control.Close();
}

LogonResult Login::Logon() { return LogonSteps(); }

LogonResult Login::LogonSteps() {
    using Cause = LogonResult::Cause;
    if (connected) {
        control.LogF("Trying to connect when already connected.");
        return Failure(Cause::AlreadyConnected, settings.host);
    }
    control.ClearAbort();
    features = ServerFeatures();
    std::string target = settings.host;
    if (settings.firewall.on) {
        if (settings.firewall.host.empty()) {
            control.LogF(
                "FireWall Host must be entered in the FireWall dialog before connection can be established.");
            return Failure(Cause::NoFirewallHost, target);
        }
        target = settings.firewall.host;
    }
    control.SetCrEndsLine(false);
    // A socket that Quit only shut down (another exchange was running) ends here.
    if (control.IsOpen()) CloseControlAfterFailedLogon();
    if (!protection.Begin(settings)) return Failure(Cause::NotSecured, target);

    BusyGuard busy(control.BusyCount());
    control.Adopt(ConnectSocket(target, protection.ServiceName(), "tcp"));
    if (!control.IsOpen()) {
        const LogonResult failed = Failure(CauseOfConnectError(connectError), target);
        const std::string text = ConnectFailureText(failed);
        control.LogF("%s", text.empty() ? ("Connection to " + target + " failed").c_str() : text.c_str());
        return failed;
    }

    if (!net::SocketAddress::ReadLocal(control.Fd(), localAddress)) {
        control.LogSocketError("getsockname", net::SocketErrorFromErrno(errno));
        busy.Release();
        CloseControlAfterFailedLogon();
        return Failure(Cause::ConnectionFailed, target);
    }
    control.LogF("[%u] from %s port %u", static_cast<unsigned>(control.Fd()), localAddress.HostText().c_str(),
                 localAddress.Port());
    if (!protection.BeforeWelcome()) {
        busy.Release();
        CloseControlAfterFailedLogon();
        return Failure(Cause::NotSecured, target);
    }

    ReplyClass replyClass = control.ReadReply();
    while (replyClass == kPreliminary) {
        // This server family ends reply lines with a lone CR.
        if (control.ReplyText().find("(EXOS") != std::string::npos) control.SetCrEndsLine(true);
        replyClass = control.ReadReply();
    }
    if (replyClass != kComplete) {
        control.LogF("Unknown open msg \"%s\" %u", control.ReplyText().c_str(),
                     static_cast<unsigned>(control.ReplyCode()));
        busy.Release();
        CloseControlAfterFailedLogon();
        return Failure(Cause::BadWelcome, target);
    }

    const int inline_ = 1;
    if (setsockopt(control.Fd(), SOL_SOCKET, SO_OOBINLINE, &inline_, sizeof inline_) != 0) {
        control.LogSocketError("setsockopt", net::SocketErrorFromErrno(errno));
    }
    busy.Release();
    if (!protection.AfterWelcome()) {
        CloseControlAfterFailedLogon();
        return Failure(Cause::NotSecured, target);
    }
    directUserLogin = (settings.firewall.mode == 3 || settings.firewall.mode == 4) ? 1 : 0;

    if (settings.firewall.on && !directUserLogin && !LogonToProxy(replyClass))
        return Failure(Cause::ProxyRefused, target);

    replyClass = SendRemoteUser(replyClass);
    if (replyClass == kContinue) replyClass = control.SendCommand("PASS " + settings.password);
    if (replyClass != kComplete) {
        control.LogF("Logon to remote host failed: %s", settings.host.c_str());
        CloseControlAfterFailedLogon();
        connected = 0;
        return Failure(Cause::WrongCredentials, target);
    }
    connected = 1;
    if (!protection.AfterLogin()) {
        CloseControlAfterFailedLogon();
        connected = 0;
        return Failure(Cause::NotSecured, target);
    }
    AskFeatures();
    LogonResult result;
    result.socket = control.Fd();
    result.host = target;
    result.address = serverAddress;
    return result;
}

// A cancel shows in many ways (a lookup or connect woken, a reply read
// aborted); whichever step it ended, the log-in was cancelled.
LogonResult Login::Failure(LogonResult::Cause cause, const std::string& host) const {
    using Cause = LogonResult::Cause;
    LogonResult result;
    result.cause = control.StopRequested() ? Cause::Cancelled : cause;
    result.host = host;
    result.address = serverAddress;
    result.socketError = connectError;
    if (cause == Cause::BadWelcome || cause == Cause::ProxyRefused || cause == Cause::WrongCredentials) {
        result.replyCode = control.ReplyCode();
        result.replyText = control.ReplyText();
    }
    return result;
}

// Asks what the server offers beyond the basic commands. A server without
// FEAT answers 500 or 502 and offers nothing more; the log-in stands either
// way. Names travel as the bytes they are; OPTS UTF8 ON only tells a server
// that offers UTF-8 that the client takes it, and a refusal changes nothing.
void Login::AskFeatures() {
    std::vector<std::string> lines;
    control.CollectReplyLines(&lines);
    const ReplyClass replyClass = control.SendCommand("FEAT");
    control.CollectReplyLines(nullptr);
    if (replyClass != kComplete) return;
    features = ServerFeatures::FromFeatReply(lines);
    if (features.Utf8() && control.SendCommand("OPTS UTF8 ON") != kComplete)
        control.LogF("The server did not switch to UTF-8 names; names are kept as the server sends them.");
    AskListingFacts();
}

// Servers send only their default MLSD facts; the mode, owner and group are
// often not among them. Asks for every offered fact the listing reads (and
// "unique", by which a walk knows a directory it is already inside); a
// refusal leaves the defaults, which still list correctly.
void Login::AskListingFacts() {
    static const char* const kReadFacts[] = {"type",     "size",       "modify",   "unix.mode", "unix.owner",
                                             "unix.uid", "unix.group", "unix.gid", "unique"};
    if (!features.Mlst()) return;
    const std::vector<std::string>& offered = features.MlstFacts();
    std::string wanted;
    bool mode = false;
    for (const char* fact : kReadFacts) {
        if (std::find(offered.begin(), offered.end(), fact) == offered.end()) continue;
        wanted += std::string(fact) + ";";
        mode = mode || std::string_view(fact) == "unix.mode";
    }
    if (mode) control.SendCommand("OPTS MLST " + wanted);
}

// Logs in to the proxy and names the remote host with "site". replyClass
// receives the class of that "site" command. False when the log-in failed (the
// control connection is then closed).
bool Login::LogonToProxy(ReplyClass& replyClass) {
    replyClass = control.SendCommand("USER " + settings.firewall.user);
    if (replyClass == kContinue) replyClass = control.SendCommand("PASS " + settings.firewall.password);
    if (replyClass != kComplete) {
        control.LogF("Failed to login to Firewall Host %s", settings.firewall.host.c_str());
        CloseControlAfterFailedLogon();
        return false;
    }
    replyClass = control.SendCommand("site " + settings.host);
    if (replyClass == kPermanent) {
        control.LogF("Could not connect to %s through FireWall", settings.host.c_str());
        CloseControlAfterFailedLogon();
        connected = 0;
        return false;
    }
    connected = 1;
    return true;
}

// Sends the command that names the remote user (and, through a proxy, the
// remote host). Modes without such a command keep the class of the proxy step.
ReplyClass Login::SendRemoteUser(ReplyClass proxyClass) {
    if (!settings.firewall.on) return control.SendCommand("USER " + settings.user);
    switch (settings.firewall.mode) {
        case 1:
            return control.SendCommand("SITE " + settings.host);
        case 2:
        case 3:
            return control.SendCommand("USER " + settings.user + "@" + settings.host);
        case 4:
            return control.SendCommand("OPEN " + settings.host);
        default:
            return proxyClass;
    }
}
