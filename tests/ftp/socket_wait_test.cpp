#include "platform/net/socket_wait.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/net/host_port.h"
#include "platform/net/host_resolver.h"
#include "platform/net/wake_signal.h"

namespace {

using namespace std::chrono_literals;

class SocketPair : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0); }
    void TearDown() override {
        close(ends[0]);
        close(ends[1]);
    }
    int ends[2] = {-1, -1};
    net::WakeSignal wake;
};

TEST_F(SocketPair, WaitEndsWhenDataArrivesTheWakeIsSignalledOrTimeIsUp) {
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLIN, wake.Fd(), 50ms), net::WaitStatus::TimedOut);
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLOUT, wake.Fd(), 50ms), net::WaitStatus::Ready);

    ASSERT_EQ(write(ends[1], "x", 1), 1);
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLIN, wake.Fd(), 50ms), net::WaitStatus::Ready);

    // The wake stays signalled, and wins over a ready socket, until Reset.
    wake.Signal();
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLIN, wake.Fd(), 50ms), net::WaitStatus::Woken);
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLIN, wake.Fd(), 0ms), net::WaitStatus::Woken);
    wake.Reset();
    EXPECT_FALSE(wake.IsSignalled());
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLIN, wake.Fd(), 50ms), net::WaitStatus::Ready);
}

TEST_F(SocketPair, AWaitWithoutLimitIsWokenFromAnotherThread) {
    std::thread waker([&] {
        std::this_thread::sleep_for(100ms);
        wake.Signal();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(net::WaitForSocket(ends[0], POLLIN, wake.Fd(), 0ms), net::WaitStatus::Woken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    waker.join();
}

TEST(HostResolver, NumericAddressesNeedNoLookupAndAWakeEndsTheWait) {
    net::HostResolver resolver;
    net::WakeSignal wake;
    std::vector<net::SocketAddress> addresses;
    int error = 0;
    EXPECT_EQ(resolver.Resolve("127.0.0.2", wake.Fd(), 1s, addresses, error), net::ResolveStatus::Found);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].Ipv4(), 0x7F000002u);
    EXPECT_EQ(resolver.Resolve("::1", wake.Fd(), 1s, addresses, error), net::ResolveStatus::Found);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_TRUE(addresses[0].IsIpv6());
    EXPECT_EQ(addresses[0].HostText(), "::1");
    // /etc/hosts answers for this name; every address it gives is a loopback one.
    EXPECT_EQ(resolver.Resolve("localhost", wake.Fd(), 5s, addresses, error), net::ResolveStatus::Found);
    ASSERT_FALSE(addresses.empty());
    for (const net::SocketAddress& address : addresses) {
        EXPECT_TRUE(address.IsIpv6() ? address.HostText() == "::1" : address.Ipv4() >> 24 == 127u)
            << address.HostText();
    }
    EXPECT_EQ(resolver.Resolve("", wake.Fd(), 1s, addresses, error), net::ResolveStatus::NotFound);
    EXPECT_EQ(error, 11001);

    // A name lookup cannot be interrupted; the caller stops waiting for it at
    // once and the resolver joins its thread later.
    wake.Signal();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(resolver.Resolve("a-name-to-look-up.slow.invalid", wake.Fd(), 0s, addresses, error),
              net::ResolveStatus::Woken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(SplitHostPort, HostsWithAndWithoutPorts) {
    const struct {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } rows[] = {
        {"ftp.example.org", true, "ftp.example.org", 0},
        {"ftp.example.org:2121", true, "ftp.example.org", 2121},
        {"127.0.0.1:1", true, "127.0.0.1", 1},
        {"host:65535", true, "host", 65535},
        {"host:65536", false, "", 0},
        {"host:0", false, "", 0},
        {"host:", false, "", 0},
        {"host:21x", false, "", 0},
        {"[::1]:2121", true, "::1", 2121},
        {"[fe80::1%lo]", true, "fe80::1%lo", 0},
        {"::1", true, "::1", 0},
        {"2001:db8::7", true, "2001:db8::7", 0},
        {"[::1]:0", false, "", 0},
        {"[::1]2121", false, "", 0},
        {"[::1:2121", false, "", 0},
    };
    for (const auto& row : rows) {
        std::string host;
        int port = -1;
        EXPECT_EQ(net::SplitHostPort(row.text, host, port), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(host, row.host) << row.text;
            EXPECT_EQ(port, row.port) << row.text;
        }
    }
}

}  // namespace
