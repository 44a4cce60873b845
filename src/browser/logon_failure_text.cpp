// The error box text for each way a log-in ends badly.
#include "browser/logon_failure_text.h"

namespace {

using Cause = LogonResult::Cause;

// Said for a cause that has no words of its own; the log tells the rest.
QString GeneralText() {
    return QStringLiteral(
        "There was a problem logging on to the site, please see the log window for details.");
}

// The server's refusal in brackets after the cause, when it sent one.
QString WithReply(const QString& text, const LogonResult& result) {
    if (result.replyText.empty()) return text;
    return text + QStringLiteral(" (%1)").arg(QString::fromStdString(result.replyText));
}

}  // namespace

QString LogonFailureText(const LogonResult& result, int timeoutSeconds) {
    const QString host = QString::fromStdString(result.host);
    switch (result.cause) {
        case Cause::Cancelled:
            return {};
        case Cause::WrongCredentials:
            return WithReply(QStringLiteral("Could not log in to %1: wrong user name or password").arg(host), result);
        case Cause::ConnectionRefused:
        case Cause::ConnectionFailed:
            // The engine's words, which the log and the command line show too.
            if (const std::string text = ConnectFailureText(result); !text.empty())
                return QString::fromStdString(text);
            break;
        case Cause::TimedOut:
            return QStringLiteral("Could not connect to %1: timed out after %2 s").arg(host).arg(timeoutSeconds);
        case Cause::HostNotFound:
            return QStringLiteral("Could not connect: the host name %1 was not found").arg(host);
        case Cause::NotSecured:
            return QStringLiteral("Could not connect to %1: the encryption this site requires could not be set "
                                  "up; see the log")
                .arg(host);
        case Cause::ProxyRefused:
            return WithReply(QStringLiteral("Could not connect: the firewall %1 refused the log-in").arg(host),
                             result);
        case Cause::BadWelcome:
            return WithReply(QStringLiteral("Could not connect to %1: the server did not welcome the connection")
                                 .arg(host),
                             result);
        case Cause::NoFirewallHost:
            return QStringLiteral(
                "Could not connect: the firewall is on but no firewall host is entered in the options");
        case Cause::Connected:
        case Cause::AlreadyConnected:
            break;
    }
    return GeneralText();
}
