#include "platform/net/socket.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace {

bool IsOpenDescriptor(int fd) { return fcntl(fd, F_GETFD) != -1; }

// Every way a socket changes hands leaves exactly one owner, and the
// descriptor is closed once, when its last owner lets it go.
TEST(Socket, MovesHandTheDescriptorOnAndCloseItExactlyOnce) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    close(ends[1]);
    const int fd = ends[0];
    {
        net::Socket first(fd);
        net::Socket second(std::move(first));
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(second.Fd(), fd);
        net::Socket third;
        third = std::move(second);
        EXPECT_FALSE(second.IsOpen());
        EXPECT_EQ(third.Fd(), fd);
        EXPECT_TRUE(IsOpenDescriptor(fd));
    }
    EXPECT_FALSE(IsOpenDescriptor(fd));
}

TEST(Socket, ReplacingOrClosingClosesTheOldDescriptorAndReleaseKeepsItOpen) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    net::Socket owner(ends[0]);
    owner = net::Socket(ends[1]);
    EXPECT_FALSE(IsOpenDescriptor(ends[0]));
    EXPECT_EQ(owner.Close(), 0);
    EXPECT_FALSE(owner.IsOpen());
    EXPECT_FALSE(IsOpenDescriptor(ends[1]));
    EXPECT_EQ(owner.Close(), 0);  // closing an empty socket does nothing

    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    const int released = net::Socket(ends[0]).Release();
    EXPECT_TRUE(IsOpenDescriptor(released));
    close(released);
    close(ends[1]);
}

}  // namespace
