#include "support/data_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

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
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return DataLink();
    DataLink link(fd);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (inet_pton(AF_INET, fromAddress.c_str(), &local.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return DataLink();
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &remote.sin_addr) != 1 ||
        connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        return DataLink();
    }
    return link;
}

}  // namespace testsupport
