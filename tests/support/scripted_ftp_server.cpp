#include "support/scripted_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

std::string VerbOf(const std::string& line) { return line.substr(0, line.find(' ')); }

}  // namespace

void ScriptedConnection::Send(const std::string& bytes) { link.SendAll(bytes); }

bool ScriptedConnection::Pause(std::chrono::milliseconds duration) {
    return !server.WaitStoppable(-1, duration);
}

DataLink ScriptedConnection::ConnectToPort(const std::string& portArgument, const std::string& fromAddress) {
    if (!portArgument.empty() && (portArgument[0] < '0' || portArgument[0] > '9')) {
        // EPRT: |family|address|port| with any delimiter.
        std::vector<std::string> fields;
        std::istringstream in(portArgument.substr(1));
        for (std::string field; std::getline(in, field, portArgument[0]);) fields.push_back(field);
        if (fields.size() != 3 || fields[2].empty() || fields[2].size() > 5 ||
            fields[2].find_first_not_of("0123456789") != std::string::npos) {
            return DataLink();
        }
        return DataLink::Connect(fields[1], static_cast<unsigned short>(std::stoul(fields[2])), fromAddress);
    }
    unsigned values[6] = {};
    char separator = 0;
    std::istringstream in(portArgument);
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && !(in >> separator)) return DataLink();
        if (!(in >> values[i]) || values[i] > 255) return DataLink();
    }
    const std::string address = std::to_string(values[0]) + "." + std::to_string(values[1]) + "." +
                                std::to_string(values[2]) + "." + std::to_string(values[3]);
    return DataLink::Connect(address, static_cast<unsigned short>(values[4] * 256 + values[5]), fromAddress);
}

ScriptedFtpServer::ScriptedFtpServer(std::string greetingText, std::string loopback)
    : loopback(std::move(loopback)), greeting(std::move(greetingText)) {
    stopFd = eventfd(0, EFD_CLOEXEC);
    if (stopFd < 0) throw std::runtime_error("scripted FTP server could not listen");
    listenFd = ListenOnLoopback(this->loopback, 4, port);
    thread = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(stopFd, &one, sizeof one);
    thread.join();
    close(listenFd);
    close(stopFd);
}

std::string ScriptedFtpServer::HostText() const { return HostTextOf(loopback, port); }

void ScriptedFtpServer::SetGreeting(std::string raw) {
    std::lock_guard guard(mutex);
    greeting = std::move(raw);
}

void ScriptedFtpServer::SetGreetingHandler(StepHandler handler) {
    std::lock_guard guard(mutex);
    greetingHandler = std::move(handler);
}

ScriptedFtpServer& ScriptedFtpServer::Expect(std::string verb, std::string reply) {
    std::lock_guard guard(mutex);
    steps.push_back({std::move(verb), std::move(reply), nullptr});
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::Expect(std::string verb, StepHandler handler) {
    std::lock_guard guard(mutex);
    steps.push_back({std::move(verb), {}, std::move(handler)});
    return *this;
}

std::vector<std::string> ScriptedFtpServer::Received() const {
    std::lock_guard guard(mutex);
    return received;
}

std::string ScriptedFtpServer::ReceivedBytes() const {
    std::lock_guard guard(mutex);
    return receivedBytes;
}

std::vector<std::string> ScriptedFtpServer::Mismatches() const {
    std::lock_guard guard(mutex);
    return mismatches;
}

std::size_t ScriptedFtpServer::PendingSteps() const {
    std::lock_guard guard(mutex);
    return steps.size();
}

int ScriptedFtpServer::ConnectionCount() const {
    std::lock_guard guard(mutex);
    return connections;
}

bool ScriptedFtpServer::WaitForLines(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock guard(mutex);
    return changed.wait_for(guard, limit, [&] { return received.size() >= count; });
}

bool ScriptedFtpServer::WaitForClientClose(std::chrono::milliseconds limit) const {
    std::unique_lock guard(mutex);
    return changed.wait_for(guard, limit, [&] { return clientClosed; });
}

// Waits for fd to become readable (fd -1: only for the time to pass). True
// when the server is being stopped.
bool ScriptedFtpServer::WaitStoppable(int fd, std::chrono::milliseconds limit) const {
    pollfd entries[2] = {{stopFd, POLLIN, 0}, {fd, POLLIN, 0}};
    int ready = poll(entries, fd >= 0 ? 2 : 1, static_cast<int>(limit.count()));
    return ready > 0 && entries[0].revents != 0;
}

void ScriptedFtpServer::Serve() {
    while (!WaitStoppable(listenFd, std::chrono::milliseconds(-1))) {
        int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        {
            std::lock_guard guard(mutex);
            ++connections;
            clientClosed = false;
        }
        changed.notify_all();
        ServeConnection(fd);
    }
}

void ScriptedFtpServer::ServeConnection(int fd) {
    ScriptedConnection connection(*this, fd);
    StepHandler onGreeting;
    std::string greetingText;
    {
        std::lock_guard guard(mutex);
        onGreeting = greetingHandler;
        greetingText = greeting;
    }
    if (onGreeting) {
        onGreeting(connection, "");
    } else {
        connection.Send(greetingText);
    }

    std::string pending;
    char buffer[4096];
    while (connection.IsOpen()) {
        if (WaitStoppable(connection.link.Fd(), std::chrono::milliseconds(-1))) break;
        ssize_t count = recv(connection.link.Fd(), buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            std::lock_guard guard(mutex);
            clientClosed = true;
            break;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        {
            std::lock_guard guard(mutex);
            receivedBytes.append(buffer, static_cast<std::size_t>(count));
        }
        std::string::size_type end;
        while (connection.IsOpen() && (end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Answer(connection, line);
        }
    }
    changed.notify_all();
    connection.Close();
}

void ScriptedFtpServer::Answer(ScriptedConnection& connection, const std::string& line) {
    if (strncasecmp(line.c_str(), "PORT ", 5) == 0 || strncasecmp(line.c_str(), "EPRT ", 5) == 0) {
        connection.lastPortArgument = line.substr(5);
    }
    Step step;
    bool scripted = false;
    {
        std::lock_guard guard(mutex);
        received.push_back(line);
        // Clients ask SIZE before a download, AUTH before the log-in (TLS
        // if available), FEAT (then OPTS) and PWD after it; a script that
        // does not expect them answers as a server without the command, and
        // keeps its steps.
        const std::string verb = VerbOf(line);
        const bool optional = strcasecmp(verb.c_str(), "SIZE") == 0 ||
                              strcasecmp(verb.c_str(), "AUTH") == 0 ||
                              strcasecmp(verb.c_str(), "FEAT") == 0 ||
                              strcasecmp(verb.c_str(), "OPTS") == 0 || strcasecmp(verb.c_str(), "PWD") == 0;
        const bool unexpected =
            optional && (steps.empty() || strcasecmp(steps.front().verb.c_str(), verb.c_str()) != 0);
        if (!steps.empty() && !unexpected) {
            step = std::move(steps.front());
            steps.pop_front();
            scripted = true;
            if (strcasecmp(VerbOf(line).c_str(), step.verb.c_str()) != 0) {
                mismatches.push_back("expected " + step.verb + ", got " + line);
            }
        }
    }
    changed.notify_all();
    if (!scripted) {
        if (strcasecmp(line.c_str(), "quit") == 0) {
            connection.Send("221 Goodbye.\r\n");
            connection.Close();
        } else {
            connection.Send("502 Command not scripted.\r\n");
        }
        return;
    }
    if (step.handler) {
        step.handler(connection, line);
    } else {
        connection.Send(step.reply);
    }
}

StepHandler SendDownload(std::string data, std::string finalReply, std::string preliminary) {
    return [data = std::move(data), finalReply = std::move(finalReply), preliminary = std::move(preliminary)](
               ScriptedConnection& connection, const std::string&) {
        connection.Send(preliminary);
        DataLink link = connection.ConnectToLastPort();
        link.SendAll(data);
        link.Close();
        connection.Send(finalReply);
    };
}

}  // namespace testsupport
