#include "cli/cli_options.h"

#include <cstdlib>
#include <string_view>

#include "platform/net/host_port.h"

namespace {

bool ParseInt(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

std::optional<tls::Encryption> EncryptionFromWord(const std::string& word) {
    if (word == "explicit") return tls::Encryption::RequireExplicit;
    if (word == "implicit") return tls::Encryption::RequireImplicit;
    if (word == "auto") return tls::Encryption::ExplicitIfAvailable;
    if (word == "off") return tls::Encryption::Plain;
    return std::nullopt;
}

// "SHA256:" and the 43 base64 characters of a SHA-256 digest without padding,
// as the program prints a certificate's fingerprint. The last character
// carries only 4 bits of the digest, so its 2 low bits must be zero.
bool IsSha256Fingerprint(const std::string& text) {
    constexpr std::string_view prefix = "SHA256:";
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() != prefix.size() + 43 || text.rfind(prefix, 0) != 0) return false;
    for (std::size_t at = prefix.size(); at < text.size(); ++at) {
        const auto digit = alphabet.find(text[at]);
        if (digit == std::string_view::npos) return false;
        if (at + 1 == text.size() && digit % 4 != 0) return false;
    }
    return true;
}

// Applies one option that takes a value. False with error set when the value is bad.
bool ApplyOption(const std::string& name, const std::string& value, CliOptions& options, std::string& error) {
    int number = 0;
    if (name == "--user") {
        options.user = value;
    } else if (name == "--password") {
        options.password = value;
    } else if (name == "--email") {
        options.email = value;
    } else if (name == "--timeout") {
        if (!ParseInt(value, 0, 86400, number)) {
            error = "--timeout takes a number of seconds (0 for no limit)";
            return false;
        }
        options.timeoutSeconds = number;
    } else if (name == "--retries") {
        if (!ParseInt(value, 0, 10, number)) {
            error = "--retries takes a number from 0 to 10";
            return false;
        }
        options.retries = number;
    } else if (name == "--mode") {
        if (value.size() != 1 || std::string("FIALP").find(value[0]) == std::string::npos) {
            error = "--mode takes one of F, I, A, L, P";
            return false;
        }
        options.mode = value[0];
    } else if (name == "--firewall") {
        if (!ParseInt(value, 0, 4, number)) {
            error = "--firewall takes a mode from 0 to 4";
            return false;
        }
        options.firewallMode = number;
    } else if (name == "--proxy") {
        std::string host;
        int port = 0;
        if (value.empty() || !net::SplitHostPort(value, host, port) || host.empty()) {
            error = "--proxy takes HOST or HOST:PORT";
            return false;
        }
        options.proxy = value;
    } else if (name == "--tls") {
        options.encryption = EncryptionFromWord(value);
        if (!options.encryption) {
            error = "--tls takes explicit, implicit, auto or off";
            return false;
        }
    } else if (name == "--trust") {
        if (!IsSha256Fingerprint(value)) {
            error = "--trust takes a certificate fingerprint as printed, SHA256: and 43 characters";
            return false;
        }
        options.trust = value;
    } else if (name == "--ca-file") {
        if (value.empty()) {
            error = "--ca-file takes the name of a file of trusted certificates (PEM)";
            return false;
        }
        options.caFile = value;
    } else if (name == "--proxy-user") {
        options.proxyUser = value;
    } else if (name == "--proxy-password") {
        options.proxyPassword = value;
    } else {
        error = "unknown option " + name;
        return false;
    }
    return true;
}

}  // namespace

bool ParseCliOptions(const std::vector<std::string>& arguments, CliOptions& options, std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && options.host.empty() && argument.rfind("--", 0) == 0) {
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            if (argument == "--help" || argument == "-h") {
                options.help = true;
                return true;
            }
            if (argument == "--passive" || argument == "--active") {
                const DataMode mode = argument == "--passive" ? DataMode::Passive : DataMode::Active;
                if (options.dataMode && *options.dataMode != mode) {
                    error = "--passive and --active exclude each other";
                    return false;
                }
                options.dataMode = mode;
                continue;
            }
            if (argument == "--no-keep-time") {
                options.keepModificationTimes = false;
                continue;
            }
            if (argument == "--verify" || argument == "--no-verify") {
                options.verify = argument == "--verify";
                continue;
            }
            std::string name = argument;
            std::string value;
            const auto equals = argument.find('=');
            if (equals != std::string::npos) {
                name = argument.substr(0, equals);
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                error = "option " + argument + " needs a value";
                return false;
            }
            if (!ApplyOption(name, value, options, error)) return false;
        } else if (options.host.empty()) {
            options.host = argument;
        } else {
            options.commands.push_back(argument);
        }
    }
    if (options.host.empty()) {
        error = "no HOST given (see --help)";
        return false;
    }
    if (options.firewallMode && options.proxy.empty()) {
        error = "--firewall needs --proxy HOST[:PORT]";
        return false;
    }
    if (options.encryption == tls::Encryption::Plain && (options.trust || options.caFile)) {
        error = std::string(options.trust ? "--trust" : "--ca-file") + " has no use with --tls off";
        return false;
    }
    if (!options.firewallMode && !options.proxy.empty()) {
        error = "--proxy needs --firewall 0-4";
        return false;
    }
    return true;
}

std::string CliUsage() {
    return "usage: quillmoor-cli [OPTIONS] HOST[:PORT] [COMMAND]...\n"
           "\n"
           "Logs in to an FTP server, runs each COMMAND in order, stops at the first\n"
           "failure and always ends with \"quit\". The log goes to stderr.\n"
           "HOST may also be @NAME, a site of the catalogue; an IPv6 address with a\n"
           "port goes in brackets ([::1]:2121).\n"
           "\n"
           "Options:\n"
           "  --user U              user id (default anonymous)\n"
           "  --password P          password; anonymous without one uses the e-mail address\n"
           "  --email E             e-mail address (default: the e-mail setting)\n"
           "  --timeout SECONDS     time limit for every wait (default: the Time Out setting, 60; 0 = none)\n"
           "  --mode F|I|A|L|P      transfer mode (default: the Transfer Mode setting)\n"
           "  --passive             the client opens data connections (EPSV, then PASV) (default: the\n"
           "                        Passive Mode setting, passive when unset)\n"
           "  --active              the server opens data connections to the client (PORT)\n"
           "  --no-keep-time        downloaded files get the time they arrive, not the server's\n"
           "                        modification time (default: the Keep Modification Times setting)\n"
           "  --verify              check each binary file after its transfer against the server's\n"
           "                        digest (HASH, XSHA256, XSHA1, XMD5 or XCRC), when the server\n"
           "                        offers one (the default)\n"
           "  --no-verify           no checks after transfers\n"
           "  --retries N           try a get or put again up to N times (0-10, default 2) after a\n"
           "                        transient failure (4xx reply, lost connection, time-out),\n"
           "                        waiting 1 s, 2 s, 4 s... and continuing what arrived\n"
           "  --tls explicit|implicit|auto|off\n"
           "                        explicit: require TLS after AUTH TLS; implicit: TLS from the first\n"
           "                        byte (port 990 unless given); auto: TLS when the server offers it;\n"
           "                        off: plain FTP, password and files readable on the way (default:\n"
           "                        the catalogue site's choice, else auto)\n"
           "  --trust SHA256:...    accept the server certificate with this fingerprint even when it\n"
           "                        cannot be verified (self-signed, unknown issuer, other name)\n"
           "  --ca-file FILE        trust the certificates in FILE (PEM) besides the system's\n"
           "  --firewall 0-4        log in through a firewall proxy in this mode\n"
           "  --proxy HOST[:PORT]   the proxy\n"
           "  --proxy-user U        proxy user id\n"
           "  --proxy-password P    proxy password\n"
           "\n"
           "Each COMMAND is one argument; words are split at blanks, double quotes keep\n"
           "blanks in a name: 'cd \"My Files\"'.\n"
           "\n"
           "A server that refuses the chosen data connection mode gets the other one.\n"
           "A certificate that cannot be verified ends the run with its fingerprint\n"
           "printed, unless --trust names that fingerprint.\n"
           "\n"
           "A binary download that breaks off keeps what arrived in NAME.part; \"get -c\"\n"
           "continues it. \"put -c\" continues an upload after the size the server has.\n"
           "A download that does not match the server's digest is kept as NAME.mismatch\n"
           "and the local NAME stays as it was.\n"
           "\n"
           "Exit status: 0 all succeeded, 1 login or a command failed (a file that does\n"
           "not match the server's digest too), 2 usage error.\n";
}
