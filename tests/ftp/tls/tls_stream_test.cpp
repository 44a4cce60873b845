// The TLS stream's ends, its session reuse and its waits, against a TLS
// server thread on 127.0.0.1.
#include "ftp/tls/tls_stream.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "support/data_link.h"
#include "support/loopback_tls_server.h"
#include "tls_test_kit.h"

namespace {

using namespace std::chrono_literals;
using tls::StreamStatus;
using tlstest::TestCertificates;

const std::string kPayload = std::string(200000, 'q') + "the last line\n";

// A client stream on a fresh connection to the server, trusting the test CA.
struct Client {
    explicit Client(unsigned short port, std::chrono::milliseconds limit = 10s)
        : link(testsupport::DataLink::Connect("127.0.0.1", port)),
          stream(context, link.Fd(), tlstest::WaiterFor(wake, limit)) {}

    tls::ClientContext context{tlstest::TrustingTestCa()};
    net::WakeSignal wake;
    testsupport::DataLink link;
    tls::TlsStream stream;
};

// Sends the payload, then either ends properly or drops the connection.
void SendPayload(SSL* ssl, int fd, bool closeNotify) {
    SSL_write(ssl, kPayload.data(), static_cast<int>(kPayload.size()));
    if (closeNotify) {
        SSL_shutdown(ssl);
    } else {
        shutdown(fd, SHUT_RDWR);
    }
}

TEST(TlsStream, APeersCloseNotifyIsACleanEndAndAMissingOneIsTruncation) {
    const struct {
        bool closeNotify;
        StreamStatus expected;
    } cases[] = {{true, StreamStatus::Closed}, {false, StreamStatus::Truncated}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.closeNotify ? "close_notify" : "cut");
        testsupport::LoopbackTlsServer server(
            {.files = TestCertificates::Get().good},
            [&](SSL* ssl, int fd, int) { SendPayload(ssl, fd, row.closeNotify); });
        ASSERT_TRUE(server.Ok()) << server.Problem();
        Client client(server.Port());
        ASSERT_TRUE(client.stream.Handshake("127.0.0.1").Ok());
        tls::StreamResult end;
        const std::string received = tlstest::ReadToEnd(client.stream, end);
        EXPECT_EQ(end.status, row.expected) << end.message;
        EXPECT_EQ(received, kPayload);  // all bytes came: only the ending differs
        // After a truncation no TLS close can follow; Finish says so.
        EXPECT_EQ(client.stream.Finish().Ok(), row.closeNotify);
    }
}

// Upload's end: the server sees close_notify after all the data, and Finish
// returns promptly whether the server answers with its own close_notify or
// only closes the connection once the client's side has ended.
TEST(TlsStream, WrittenDataArrivesWholeAndFinishSendsCloseNotify) {
    for (const bool serverAnswersCloseNotify : {true, false}) {
        SCOPED_TRACE(serverAnswersCloseNotify ? "server answers close_notify"
                                              : "server closes at end of stream");
        std::string received;
        int endError = 0;
        std::chrono::steady_clock::duration finishing{};
        {
            testsupport::LoopbackTlsServer server(
                {.files = TestCertificates::Get().good}, [&](SSL* ssl, int fd, int) {
                    char buffer[16384];
                    int got = 0;
                    while ((got = SSL_read(ssl, buffer, sizeof buffer)) > 0) {
                        received.append(buffer, static_cast<size_t>(got));
                    }
                    endError = SSL_get_error(ssl, got);
                    if (serverAnswersCloseNotify) {
                        SSL_shutdown(ssl);
                    } else {
                        while (recv(fd, buffer, sizeof buffer, 0) > 0) {
                        }
                    }
                });
            ASSERT_TRUE(server.Ok()) << server.Problem();
            Client client(server.Port());
            ASSERT_TRUE(client.stream.Handshake("localhost").Ok());
            const tls::StreamResult written = client.stream.Write(kPayload.data(), kPayload.size());
            ASSERT_TRUE(written.Ok()) << written.message;
            EXPECT_EQ(written.bytes, kPayload.size());
            const auto started = std::chrono::steady_clock::now();
            const tls::StreamResult finished = client.stream.Finish();
            finishing = std::chrono::steady_clock::now() - started;
            EXPECT_TRUE(finished.Ok()) << finished.message;
        }
        EXPECT_EQ(endError, SSL_ERROR_ZERO_RETURN);
        EXPECT_EQ(received, kPayload);
        EXPECT_LT(finishing, 5s);
    }
}

// A control connection, then two data connections offering its sessions, as
// an FTPS client does; for TLS 1.3 the sessions arrive after the handshake
// and each is good for one resumption. TLS 1.2 is the client's own cap.
TEST(TlsStream, DataConnectionsResumeTheControlConnectionsSessions) {
    const struct {
        tls::MaxVersion cap;
        const char* protocol;
    } cases[] = {{tls::MaxVersion::Tls12, "TLSv1.2, "}, {tls::MaxVersion::Tls13, "TLSv1.3, "}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.protocol);
        testsupport::LoopbackTlsServer server({.files = TestCertificates::Get().good, .connections = 3},
                                              [](SSL* ssl, int, int) {
                                                  SSL_write(ssl, "ok\n", 3);
                                                  SSL_shutdown(ssl);
                                              });
        ASSERT_TRUE(server.Ok()) << server.Problem();
        tls::ClientSettings settings = tlstest::TrustingTestCa();
        settings.maxVersion = row.cap;
        tls::ClientContext context(settings);
        net::WakeSignal wake;
        auto sessions = std::make_shared<tls::SessionKeeper>();
        testsupport::DataLink controlLink = testsupport::DataLink::Connect("127.0.0.1", server.Port());
        tls::TlsStream control(context, controlLink.Fd(), tlstest::WaiterFor(wake, 10s), sessions);
        ASSERT_TRUE(control.Handshake("127.0.0.1").Ok());
        EXPECT_EQ(control.ProtocolAndCipher().rfind(row.protocol, 0), 0u) << control.ProtocolAndCipher();
        tls::StreamResult end;
        EXPECT_EQ(tlstest::ReadToEnd(control, end), "ok\n");
        for (int data = 0; data < 2; ++data) {
            testsupport::DataLink dataLink = testsupport::DataLink::Connect("127.0.0.1", server.Port());
            tls::TlsStream stream(context, dataLink.Fd(), tlstest::WaiterFor(wake, 10s), sessions);
            const tls::SessionHandle offered = sessions->TakeForResumption();
            ASSERT_NE(offered, nullptr);
            ASSERT_TRUE(stream.Handshake("127.0.0.1", offered).Ok());
            EXPECT_TRUE(stream.SessionReused()) << "data connection " << data;
            EXPECT_TRUE(stream.PeerVerification().Verified());
            EXPECT_EQ(tlstest::ReadToEnd(stream, end), "ok\n");
            EXPECT_TRUE(stream.Finish().Ok());
        }
        EXPECT_FALSE(control.SessionReused());
        EXPECT_EQ(server.Resumed(), 2);
    }
}

// A data connection that stays plain although PROT P asked for TLS: the
// server's first bytes are a listing, not a TLS record.
TEST(TlsStream, APlainAnswerToTheHandshakeFailsIt) {
    testsupport::LoopbackTlsServer server(
        {.files = TestCertificates::Get().good, .handshake = false}, [](SSL*, int fd, int) {
            const char listing[] = "-rw-r--r-- 1 ftp ftp 5 Jan 1 2026 a.txt\r\n";
            send(fd, listing, sizeof listing - 1, MSG_NOSIGNAL);
            shutdown(fd, SHUT_WR);
        });
    ASSERT_TRUE(server.Ok()) << server.Problem();
    Client client(server.Port());
    const tls::StreamResult handshake = client.stream.Handshake("127.0.0.1");
    EXPECT_EQ(handshake.status, StreamStatus::Failed) << handshake.message;
    EXPECT_FALSE(handshake.message.empty());
    EXPECT_EQ(handshake.message.find("handshake"), std::string::npos);  // the caller names the handshake
    char buffer[64];
    EXPECT_EQ(client.stream.Read(buffer, sizeof buffer).status, StreamStatus::Failed);
    EXPECT_FALSE(client.stream.Finish().Ok());
}

// A server that accepts and never speaks: the handshake's wait ends by the
// time limit, or at once when the wake descriptor is signalled (Cancel).
TEST(TlsStream, AHandshakeWithASilentServerEndsByTimeLimitOrCancel) {
    const struct {
        const char* name;
        std::chrono::milliseconds limit;
        bool cancel;
        StreamStatus expected;
    } cases[] = {{"time limit", 300ms, false, StreamStatus::TimedOut},
                 {"cancel", 20s, true, StreamStatus::Cancelled}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        testsupport::LoopbackTlsServer server({.files = TestCertificates::Get().good, .handshake = false},
                                              [](SSL*, int, int) {});
        ASSERT_TRUE(server.Ok()) << server.Problem();
        Client client(server.Port(), row.limit);
        // Taken before the canceller starts: a loaded machine may run the
        // canceller's whole sleep before this thread reads the clock.
        const auto started = std::chrono::steady_clock::now();
        std::thread canceller;
        if (row.cancel) {
            canceller = std::thread([&client] {
                std::this_thread::sleep_for(200ms);
                client.wake.Signal();
            });
        }
        const tls::StreamResult handshake = client.stream.Handshake("127.0.0.1");
        const auto took = std::chrono::steady_clock::now() - started;
        if (canceller.joinable()) canceller.join();
        EXPECT_EQ(handshake.status, row.expected) << handshake.message;
        EXPECT_GE(took, 200ms);
        EXPECT_LT(took, 5s);
        client.stream.Close();
        client.link.Close();  // lets the silent server's thread go
    }
}

// A TLS 1.2 server that asks to renegotiate midway is refused: the stream
// ends with that reason instead of reading on.
TEST(TlsStream, ARenegotiationRequestEndsTheStream) {
    testsupport::LoopbackTlsServer server(
        {.files = TestCertificates::Get().good, .maxVersion = TLS1_2_VERSION}, [](SSL* ssl, int, int) {
            SSL_write(ssl, "before", 6);
            SSL_renegotiate(ssl);
            SSL_do_handshake(ssl);
            SSL_write(ssl, "after", 5);
        });
    ASSERT_TRUE(server.Ok()) << server.Problem();
    Client client(server.Port());
    ASSERT_TRUE(client.stream.Handshake("127.0.0.1").Ok());
    tls::StreamResult end;
    EXPECT_EQ(tlstest::ReadToEnd(client.stream, end), "before");
    EXPECT_EQ(end.status, StreamStatus::Failed);
    EXPECT_NE(end.message.find("the server asked to renegotiate TLS, which is refused"), std::string::npos)
        << end.message;
}

}  // namespace
