#include "support/passive_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <thread>

namespace testsupport {

// A backlog of 0 keeps one connection waiting at most, so FillQueue needs few.
PassivePort::PassivePort(const std::string& loopback) : loopback(loopback) {
    listenFd = ListenOnLoopback(loopback, 0, port);
}

PassivePort::~PassivePort() {
    for (int filler : fillers) close(filler);
    if (listenFd >= 0) close(listenFd);
}

std::string PassivePort::PortBytes() const {
    return std::to_string(port / 256) + "," + std::to_string(port % 256);
}

std::string PassivePort::Fill(std::string replyTemplate) const {
    for (const auto& [token, value] : {std::pair<std::string, std::string>{"%P", std::to_string(port)},
                                       std::pair<std::string, std::string>{"%B", PortBytes()}}) {
        for (std::size_t at = replyTemplate.find(token); at != std::string::npos;
             at = replyTemplate.find(token, at))
            replyTemplate.replace(at, token.size(), value);
    }
    return replyTemplate;
}

DataLink PassivePort::Accept(std::chrono::milliseconds limit) {
    pollfd entry{listenFd, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(limit.count())) <= 0) return DataLink();
    return DataLink(accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC));
}

void PassivePort::FillQueue() {
    sockaddr_storage address{};
    socklen_t length = 0;
    MakeSocketAddress(loopback, port, address, length);
    for (int i = 0; i < 3; ++i) {
        int filler = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        connect(filler, reinterpret_cast<sockaddr*>(&address), length);
        fillers.push_back(filler);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void ScriptDataSteps(ScriptedFtpServer& server, PassivePort& port, bool startsPassive,
                     const std::vector<std::pair<std::string, std::string>>& steps, const std::string& bytes) {
    auto passive = std::make_shared<bool>(startsPassive);
    for (const auto& [verb, reply] : steps) {
        server.Expect(verb, [&port, verb, reply, passive, bytes](ScriptedConnection& connection, const std::string&) {
            if (verb == "EPSV" || verb == "PASV") *passive = true;
            if (verb == "PORT" || verb == "EPRT") *passive = false;
            if (reply != kServeFile) {
                connection.Send(port.Fill(reply));
                return;
            }
            connection.Send("150 Opening data connection.\r\n");
            DataLink link = *passive ? port.Accept(std::chrono::seconds(5)) : connection.ConnectToLastPort();
            link.SendAll(bytes);
            link.Close();
            connection.Send("226 Transfer complete.\r\n");
        });
    }
}

}  // namespace testsupport
