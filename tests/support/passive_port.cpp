#include "support/passive_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace testsupport {

PassivePort::PassivePort() {
    listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // A backlog of 0 keeps one connection waiting at most, so FillQueue needs few.
    if (listenFd < 0 || bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd, 0) != 0 ||
        getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("passive port could not listen");
    }
    port = ntohs(address.sin_port);
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
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    for (int i = 0; i < 3; ++i) {
        int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(filler);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace testsupport
