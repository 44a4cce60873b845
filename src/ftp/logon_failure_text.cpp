// The error box text for each way a log-in ends badly.
#include "ftp/logon_failure_text.h"

namespace {

using Cause = LogonResult::Cause;

// Said for a cause that has no words of its own; the log tells the rest.
std::string GeneralText() {
    return "There was a problem logging on to the site, please see the log window for details.";
}

// The server's refusal in brackets after the cause, when it sent one.
std::string WithReply(const std::string& text, const LogonResult& result) {
    if (result.replyText.empty()) return text;
    return text + " (" + result.replyText + ")";
}

}  // namespace

std::string LogonFailureText(const LogonResult& result, int timeoutSeconds) {
    const std::string& host = result.host;
    switch (result.cause) {
        case Cause::Cancelled:
            return {};
        case Cause::WrongCredentials:
            return WithReply("Could not log in to " + host + ": wrong user name or password", result);
        case Cause::ConnectionRefused:
        case Cause::ConnectionFailed:
            // The engine's words, which the log and the command line show too.
            if (std::string text = ConnectFailureText(result); !text.empty()) return text;
            break;
        case Cause::TimedOut:
            return "Could not connect to " + host + ": timed out after " + std::to_string(timeoutSeconds) + " s";
        case Cause::HostNotFound:
            return "Could not connect: the host name " + host + " was not found";
        case Cause::NotSecured:
            return "Could not connect to " + host + ": the encryption this site requires could not be set up; see the log";
        case Cause::ProxyRefused:
            return WithReply("Could not connect: the firewall " + host + " refused the log-in", result);
        case Cause::BadWelcome:
            return WithReply("Could not connect to " + host + ": the server did not welcome the connection", result);
        case Cause::NoFirewallHost:
            return "Could not connect: the firewall is on but no firewall host is entered in the options";
        case Cause::Connected:
        case Cause::AlreadyConnected:
            break;
    }
    return GeneralText();
}
