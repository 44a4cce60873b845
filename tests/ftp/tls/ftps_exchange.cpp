#include "ftps_exchange.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstdio>

namespace tlstest {

namespace {

using namespace std::chrono_literals;

constexpr auto kLimit = 15s;

// The port of a "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" reply, or 0.
unsigned short PassivePort(const std::string& reply) {
    const std::size_t open = reply.find('(');
    unsigned h[4], p1 = 0, p2 = 0;
    if (open == std::string::npos ||
        std::sscanf(reply.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h[0], &h[1], &h[2], &h[3], &p1, &p2) != 6) {
        return 0;
    }
    return static_cast<unsigned short>(p1 * 256 + p2);
}

}  // namespace

FtpsExchange::FtpsExchange(const tls::ClientSettings& settings, unsigned short port)
    : context(settings), control(testsupport::DataLink::Connect("127.0.0.1", port)) {}

bool FtpsExchange::StartTls() {
    controlTls = std::make_unique<tls::TlsStream>(context, control.Fd(), WaiterFor(wake, kLimit), sessions);
    const tls::StreamResult handshake = controlTls->Handshake("127.0.0.1");
    problem = handshake.message;
    return handshake.Ok();
}

bool FtpsExchange::SendLine(const std::string& line) {
    const std::string bytes = line + "\r\n";
    if (controlTls) return controlTls->Write(bytes.data(), bytes.size()).Ok();
    return control.SendAll(bytes);
}

std::string FtpsExchange::ReadLine() {
    for (;;) {
        const std::size_t end = buffered.find("\r\n");
        if (end != std::string::npos) {
            std::string line = buffered.substr(0, end);
            buffered.erase(0, end + 2);
            return line;
        }
        char chunk[4096];
        std::size_t got = 0;
        if (controlTls) {
            const tls::StreamResult read = controlTls->Read(chunk, sizeof chunk);
            if (!read.Ok()) return {};
            got = read.bytes;
        } else {
            pollfd entry{control.Fd(), POLLIN, 0};
            if (poll(&entry, 1, static_cast<int>(std::chrono::milliseconds(kLimit).count())) <= 0) return {};
            const ssize_t count = recv(control.Fd(), chunk, sizeof chunk, 0);
            if (count <= 0) return {};
            got = static_cast<std::size_t>(count);
        }
        buffered.append(chunk, got);
    }
}

std::string FtpsExchange::ReadReply() {
    std::string reply = ReadLine();
    // "123-" opens a multi-line reply that "123 " ends.
    if (reply.size() >= 4 && reply[3] == '-') {
        const std::string last = reply.substr(0, 3) + " ";
        for (std::string line = ReadLine(); !line.empty(); line = ReadLine()) {
            reply += "\n" + line;
            if (line.compare(0, 4, last) == 0) break;
        }
    }
    return reply;
}

std::string FtpsExchange::Command(const std::string& line) {
    if (!SendLine(line)) return {};
    return ReadReply();
}

FtpsExchange::DataOutcome FtpsExchange::Transfer(const std::string& command, const std::string& upload,
                                                 bool offerSession) {
    DataOutcome outcome;
    const unsigned short port = PassivePort(Command("PASV"));
    if (port == 0) return outcome;
    testsupport::DataLink data = testsupport::DataLink::Connect("127.0.0.1", port);
    const std::string opening = Command(command);
    if (opening.compare(0, 1, "1") != 0) {
        outcome.finalReply = opening;
        return outcome;
    }
    tls::TlsStream stream(context, data.Fd(), WaiterFor(wake, kLimit), sessions);
    const tls::StreamResult handshake =
        stream.Handshake("127.0.0.1", offerSession ? sessions->TakeForResumption() : nullptr);
    outcome.resumed = stream.SessionReused();
    if (!handshake.Ok()) {
        outcome.end = handshake.status;
    } else if (!upload.empty()) {
        const bool written = stream.Write(upload.data(), upload.size()).Ok();
        outcome.end = written && stream.Finish().Ok() ? tls::StreamStatus::Closed : tls::StreamStatus::Failed;
    } else {
        tls::StreamResult end;
        outcome.received = ReadToEnd(stream, end);
        outcome.end = end.status;
        if (end.status == tls::StreamStatus::Closed) stream.Finish();
    }
    stream.Close();
    data.Close();
    outcome.finalReply = ReadReply();
    return outcome;
}

}  // namespace tlstest
