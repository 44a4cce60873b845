#include "ftp/tcp_data_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "ftp/progress_publisher.h"
#include "ftp/transfer_status.h"
#include "platform/net/socket_error_codes.h"

namespace {

// A connected pair of loopback TCP sockets: the stream under test and the
// server's end.
class TcpDataStreamTest : public testing::Test {
protected:
    void SetUp() override {
        net::Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(bind(listener.Fd(), reinterpret_cast<sockaddr*>(&address), length), 0);
        ASSERT_EQ(getsockname(listener.Fd(), reinterpret_cast<sockaddr*>(&address), &length), 0);
        ASSERT_EQ(listen(listener.Fd(), 1), 0);
        net::Socket client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_EQ(connect(client.Fd(), reinterpret_cast<sockaddr*>(&address), length), 0);
        server = net::Socket(accept(listener.Fd(), nullptr, nullptr));
        ASSERT_TRUE(server.IsOpen());
        control.SetTimeoutSeconds(5);
        stream = std::make_unique<TcpDataStream>(control, std::move(client));
    }

    std::string ReadServerToEnd() {
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = recv(server.Fd(), buffer, sizeof buffer, 0)) > 0;) got.append(buffer, n);
        return got;
    }

    LogQueue log;
    std::atomic<int> connected{1};
    ControlChannel control{log, connected};
    TransferStatus status;
    net::Socket server;
    std::unique_ptr<TcpDataStream> stream;
};

TEST_F(TcpDataStreamTest, ReceivesUntilTheServerEndsTheStream) {
    const std::string sent(100000, 'q');
    std::thread writer([&] {
        ASSERT_EQ(send(server.Fd(), sent.data(), sent.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(sent.size()));
        shutdown(server.Fd(), SHUT_WR);
    });
    std::string got;
    char buffer[4000];
    int errorCode = 0;
    for (long n; (n = stream->Receive(buffer, sizeof buffer, errorCode)) != 0;) {
        ASSERT_GT(n, 0) << errorCode;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    writer.join();
    EXPECT_EQ(got, sent);
    EXPECT_FALSE(control.Aborted());
}

TEST_F(TcpDataStreamTest, FinishWaitsUntilTheServerHasEveryByte) {
    const std::string block(300000, 'u');
    std::string got;
    std::thread reader([&] { got = ReadServerToEnd(); });
    ReplyClass sendStatus = kNoReply;
    EXPECT_EQ(stream->Send(block.data(), block.size(), sendStatus), static_cast<long>(block.size()));
    EXPECT_EQ(sendStatus, kComplete);
    ProgressPublisher progress(status, nullptr);
    EXPECT_EQ(stream->Finish(static_cast<std::int64_t>(block.size()), progress), kComplete);
    EXPECT_EQ(stream->Unacknowledged(), 0);
    reader.join();
    EXPECT_EQ(got.size(), block.size());
}

TEST_F(TcpDataStreamTest, AStopRequestEndsAWaitingReceiveAsCancelled) {
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        control.RequestStop();
    });
    char buffer[16];
    int errorCode = 0;
    EXPECT_EQ(stream->Receive(buffer, sizeof buffer, errorCode), -1);
    stopper.join();
    EXPECT_EQ(errorCode, net::kErrorCancelled);
    EXPECT_TRUE(control.Aborted());
    // A stopped worker leaves the socket to the cancel sequence.
    stream->Close();
    EXPECT_TRUE(stream->IsOpen());
    control.ClearStop();
    const unsigned number = stream->Number();
    stream->Close();
    EXPECT_FALSE(stream->IsOpen());
    EXPECT_EQ(log.TakeAll().back(), "[" + std::to_string(number) + "] Socket closed.");
}

}  // namespace
