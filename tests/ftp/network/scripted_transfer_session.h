#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "support/polling_waiter.h"
#include "support/scripted_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"

namespace testsupport {

// Bytes a server thread captured, handed to the test thread under a lock.
class CapturedBytes {
public:
    void Set(std::string bytes) {
        std::lock_guard<std::mutex> guard(lock);
        text = std::move(bytes);
    }
    std::string Get() const {
        std::lock_guard<std::mutex> guard(lock);
        return text;
    }

private:
    mutable std::mutex lock;
    std::string text;
};

// A session logged in to a scripted server, with a polling waiter as its
// user interface. Replies and data are scripted per test.
struct ScriptedTransferSession {
    ScriptedFtpServer server;
    SessionHarness harness;
    PollingWaiter waiter;
    FtpSession& session = harness.session;

    // loopback: the address the server listens on (127.0.0.1, ::1).
    explicit ScriptedTransferSession(const std::string& loopback = "127.0.0.1")
        : server(ScriptedFtpServer::kDefaultGreeting, loopback) {
        session.SetUi(&waiter);
        testsupport::Reconfigure(session, [&](ConnectionSettings& config) { config.timeoutSeconds = 5; });
    }
    ~ScriptedTransferSession() { session.SetUi(nullptr); }

    // Logs in and forgets the log lines and received commands so far. An
    // empty featReply leaves FEAT unscripted (refused with 502).
    void LogIn(const std::string& featReply = "") {
        server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
        if (!featReply.empty()) server.Expect("FEAT", featReply);
        testsupport::Reconfigure(session, [&](ConnectionSettings& config) {
            config.host = server.HostText();
            config.user = "tester";
            config.password = "secret";
        });
        ASSERT_TRUE(session.Logon().Connected()) << harness.Joined();
        ASSERT_TRUE(session.IsConnected());
        skippedCommands = server.Received().size();
        harness.Lines();
        harness.lines.clear();
    }

    // The commands sent since LogIn, without CR LF.
    std::vector<std::string> Commands() const {
        std::vector<std::string> all = server.Received();
        return std::vector<std::string>(all.begin() + static_cast<long>(skippedCommands), all.end());
    }

    // Scripts one incoming transfer: TYPE and PORT accepted, then the
    // transfer command answered with preliminary, the data sent over a data
    // connection to the announced port, and the final reply.
    void ScriptIncoming(const std::string& verb, const std::string& preliminary, const std::string& data,
                        const std::string& final = "226 Transfer complete.\r\n") {
        server.Expect("TYPE", "200 Type set.\r\n").Expect("PORT", "200 PORT command successful.\r\n");
        server.Expect(verb, [preliminary, data, final](ScriptedConnection& connection, const std::string&) {
            connection.Send(preliminary);
            DataLink link = connection.ConnectToLastPort();
            link.SendAll(data);
            link.Close();
            connection.Send(final);
        });
    }

    // Scripts one outgoing transfer; what arrived is captured in received.
    void ScriptOutgoing(std::shared_ptr<CapturedBytes> received,
                        const std::string& final = "226 Transfer complete.\r\n") {
        server.Expect("TYPE", "200 Type set.\r\n").Expect("PORT", "200 PORT command successful.\r\n");
        server.Expect("STOR", [received, final](ScriptedConnection& connection, const std::string&) {
            connection.Send("150 Ok to send data.\r\n");
            DataLink link = connection.ConnectToLastPort();
            received->Set(link.ReadAll(std::chrono::seconds(10)));
            connection.Send(final);
        });
    }

    std::size_t skippedCommands = 0;
};

}  // namespace testsupport
