// What the send block size costs: pushes the same number of bytes over a
// loopback TCP connection with one send() per 512-byte block (the old upload
// block, also preceded by a poll for writability each time), per 64 KiB block
// and per 256 KiB block (the upload block now), and prints the rates.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

double SendMegabytesPerSecond(std::size_t total, std::size_t block, bool pollFirst) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    std::thread receiver([listener] {
        int peer = accept(listener, nullptr, nullptr);
        std::vector<char> buffer(256 * 1024);
        while (recv(peer, buffer.data(), buffer.size(), 0) > 0) {
        }
        close(peer);
    });
    int sender = socket(AF_INET, SOCK_STREAM, 0);
    connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address);
    std::vector<char> data(block, 'x');

    const auto start = std::chrono::steady_clock::now();
    for (std::size_t sent = 0; sent < total;) {
        if (pollFirst) {
            pollfd entry{sender, POLLOUT, 0};
            poll(&entry, 1, -1);
        }
        ssize_t count = send(sender, data.data(), block, MSG_NOSIGNAL);
        if (count <= 0) break;
        sent += static_cast<std::size_t>(count);
    }
    shutdown(sender, SHUT_WR);
    receiver.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(sender);
    close(listener);
    return static_cast<double>(total) / seconds / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const std::size_t total = megabytes << 20;
    std::printf("send_512_poll_MBps %.0f\n", SendMegabytesPerSecond(total, 512, true));
    std::printf("send_512_MBps %.0f\n", SendMegabytesPerSecond(total, 512, false));
    std::printf("send_65536_MBps %.0f\n", SendMegabytesPerSecond(total, 65536, false));
    std::printf("send_262144_MBps %.0f\n", SendMegabytesPerSecond(total, 262144, false));
    return 0;
}
