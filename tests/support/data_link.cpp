#include "support/data_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace testsupport {

DataLink& DataLink::operator=(DataLink&& other) noexcept {
    if (this != &other) {
        Close();
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

bool DataLink::SendAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (fd >= 0 && sent < bytes.size()) {
        ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        sent += static_cast<std::size_t>(count);
    }
    return fd >= 0;
}

std::string DataLink::ReadAll(std::chrono::milliseconds limit) {
    std::string data;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[8192];
    while (fd >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
        ssize_t count = recv(fd, buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        data.append(buffer, static_cast<std::size_t>(count));
    }
    return data;
}

void DataLink::Close() {
    if (fd >= 0) close(fd);
    fd = -1;
}

void DataLink::Reset() {
    if (fd < 0) return;
    linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    Close();
}

DataLink DataLink::Connect(const std::string& address, unsigned short port, const std::string& fromAddress) {
    sockaddr_storage remote{};
    socklen_t remoteLength = 0;
    if (!MakeSocketAddress(address, port, remote, remoteLength)) return DataLink();
    int fd = socket(remote.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return DataLink();
    DataLink link(fd);
    sockaddr_storage local{};
    socklen_t localLength = 0;
    if (!fromAddress.empty() && (!MakeSocketAddress(fromAddress, 0, local, localLength) ||
                                 bind(fd, reinterpret_cast<sockaddr*>(&local), localLength) != 0)) {
        return DataLink();
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&remote), remoteLength) != 0) return DataLink();
    return link;
}

bool MakeSocketAddress(const std::string& address, unsigned short port, sockaddr_storage& into,
                       socklen_t& length) {
    into = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&into);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof *v4;
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&into);
    if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
        return true;
    }
    return false;
}

std::string HostTextOf(const std::string& address, unsigned short port) {
    const bool ipv6 = address.find(':') != std::string::npos;
    return (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

int ListenOnLoopback(const std::string& address, int backlog, unsigned short& port) {
    sockaddr_storage local{};
    socklen_t length = 0;
    if (!MakeSocketAddress(address, 0, local, length))
        throw std::runtime_error("not a loopback address: " + address);
    const int fd = socket(local.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&local), length) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("could not listen on " + address);
    }
    port = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    return fd;
}

}  // namespace testsupport
