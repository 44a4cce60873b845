// The runner against the scripted server, for what real servers do not do
// on demand: a transient refusal that a retry gets past, and a hostile reply
// that must reach the queue bounded and harmless.
#include <gtest/gtest.h>

#include "queue/core/queue_runner.h"
#include "queue/core/queue_watch.h"
#include "support/free_port.h"
#include "support/scripted_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using testsupport::DataLink;
using testsupport::ScriptedConnection;
using testsupport::TempDir;

class QueueScriptedTest : public ::testing::Test {
protected:
    std::uint64_t Add(const std::string& remotePath, const std::string& localName = "file.bin") {
        TransferJob job;
        job.site = "scripted";
        job.localPath = (dir / localName).string();
        job.remotePath = remotePath;
        return queue.Add(job);
    }
    void Run(const std::string& remotePath) {
        id = Add(remotePath);
        Run();
    }
    void Run() {
        QueueRunner runner(
            queue,
            [this](const std::string&) {
                ConnectionSettings settings;
                settings.host = server.HostText();
                settings.user = "tester";
                settings.password = "secret";
                settings.transferMode = 'I';
                settings.timeoutSeconds = 5;
                return std::optional<ConnectionSettings>(settings);
            },
            1);
        RetryPolicy quick;
        quick.firstDelay = std::chrono::milliseconds(10);
        runner.SetRetryPolicy(quick);
        runner.SetReconnectPolicy({5, std::chrono::milliseconds(20), std::chrono::milliseconds(100)});
        runner.Start();
        ASSERT_TRUE(watch.WaitFor(QueueWatch::Idle));
        runner.Stop();
        for (const std::string& line : runner.Log().TakeAll()) log += line + "\n";
    }

    testsupport::ScriptedFtpServer server;
    TempDir dir;
    TransferQueue queue;
    QueueWatch watch{queue};
    std::uint64_t id = 0;
    std::string log;
};

TEST_F(QueueScriptedTest, TransientRefusalIsRetriedAndCounted) {
    server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    server.Expect("CWD", "250 Here.\r\n");
    server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n").Expect("RETR", "450 File busy.\r\n");
    server.Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("RETR", testsupport::SendDownload("abcdefgh", "226 Done.\r\n"));
    ASSERT_NO_FATAL_FAILURE(Run("/pub/file.bin"));
    const TransferJob job = *queue.Job(id);
    EXPECT_EQ(job.state, JobState::Done) << job.failure << "\n" << log;
    EXPECT_EQ(job.attempts, 2) << "the retry counts as an attempt";
    EXPECT_EQ(TempDir::ReadFile(dir / "file.bin"), "abcdefgh");
    EXPECT_TRUE(server.Mismatches().empty()) << log;
}

TEST_F(QueueScriptedTest, ConnectionClosedWhileIdleIsOpenedAgain) {
    server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    server.Expect("CWD", "250 Here.\r\n").Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("RETR", [](ScriptedConnection& connection, const std::string& line) {
        testsupport::SendDownload("first", "226 Done.\r\n")(connection, line);
        connection.Close();  // an idle time-out, as it were
    });
    server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    server.Expect("CWD", "250 Here.\r\n").Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("RETR", testsupport::SendDownload("second", "226 Done.\r\n"));
    const std::uint64_t first = Add("/pub/a.bin", "a.bin");
    const std::uint64_t second = Add("/pub/b.bin", "b.bin");
    ASSERT_NO_FATAL_FAILURE(Run());
    EXPECT_EQ(queue.Job(first)->state, JobState::Done) << log;
    EXPECT_EQ(queue.Job(second)->state, JobState::Done) << queue.Job(second)->failure << "\n" << log;
    EXPECT_EQ(TempDir::ReadFile(dir / "b.bin"), "second");
    EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(QueueScriptedTest, HostileReplyReachesTheQueueBoundedAndPrintable) {
    server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    const std::string hostile = "550 \x1b[2J\x07" + std::string(2000, 'x') + "\r\n";
    server.Expect("CWD", hostile).Expect("XCWD", hostile);
    ASSERT_NO_FATAL_FAILURE(Run("/pub/file.bin"));
    const TransferJob job = *queue.Job(id);
    EXPECT_EQ(job.state, JobState::Failed);
    EXPECT_EQ(job.failure.rfind("550 ?[2J?x", 0), 0u) << job.failure;
    EXPECT_LE(job.failure.size(), 200u);
    EXPECT_EQ(job.attempts, 1) << "a permanent refusal is not tried again";
    EXPECT_FALSE(std::filesystem::exists(dir / "file.bin"));
}

// How a server behaves before it lets the download through, and what the
// job then does: a server that went away (421 at the welcome, the connection
// closed during the log-in) is waited for; a refused log-in fails at once.
struct Outage {
    const char* name;
    std::function<void(testsupport::ScriptedFtpServer&)> script;
    JobState after;
    int connections;
};

class QueueReconnectTest : public QueueScriptedTest, public ::testing::WithParamInterface<Outage> {};

TEST_P(QueueReconnectTest, ServerThatWentAwayIsWaitedFor) {
    GetParam().script(server);
    server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
    server.Expect("CWD", "250 Here.\r\n").Expect("TYPE", "200 ok\r\n").Expect("PORT", "200 ok\r\n");
    server.Expect("RETR", testsupport::SendDownload("arrived", "226 Done.\r\n"));
    ASSERT_NO_FATAL_FAILURE(Run("/pub/file.bin"));
    const TransferJob job = *queue.Job(id);
    EXPECT_EQ(job.state, GetParam().after) << job.failure << "\n" << log;
    EXPECT_EQ(server.ConnectionCount(), GetParam().connections) << log;
    if (job.state == JobState::Done) {
        EXPECT_EQ(TempDir::ReadFile(dir / "file.bin"), "arrived");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outages, QueueReconnectTest,
    ::testing::Values(
        Outage{"ClosedAtTheWelcome",
               [](testsupport::ScriptedFtpServer& server) {
                   auto refused = std::make_shared<int>(0);
                   server.SetGreetingHandler([refused](ScriptedConnection& connection, const std::string&) {
                       if (++*refused > 2)
                           return connection.Send(testsupport::ScriptedFtpServer::kDefaultGreeting);
                       connection.Send("421 Restarting.\r\n");
                       connection.Close();
                   });
               },
               JobState::Done, 3},
        Outage{"ResetDuringTheLogIn",
               [](testsupport::ScriptedFtpServer& server) {
                   server.Expect("USER", [](ScriptedConnection& connection, const std::string&) {
                       connection.Reset();
                   });
               },
               JobState::Done, 2},
        Outage{
            "LogInRefused",
            [](testsupport::ScriptedFtpServer& server) {
                server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "530 Login incorrect.\r\n");
            },
            JobState::Failed, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Nobody answers at the port: the job waits long, and Pause, Cancel and the
// runner's stop end the wait at once.
TEST(QueueReconnectWaitTest, PauseCancelAndStopEndTheWaitAtOnce) {
    using namespace std::chrono_literals;
    enum class Act { Pause, Cancel, Stop };
    const std::string host = "127.0.0.1:" + std::to_string(testsupport::FreeTcpPort());
    for (const auto& [act, after] :
         {std::pair{Act::Pause, JobState::Paused}, std::pair{Act::Cancel, JobState::Failed},
          std::pair{Act::Stop, JobState::Queued}}) {
        SCOPED_TRACE(static_cast<int>(act));
        TransferQueue queue;
        QueueWatch watch(queue);
        TempDir dir;
        TransferJob job;
        job.site = "gone";
        job.localPath = (dir / "x").string();
        job.remotePath = "/x";
        const std::uint64_t id = queue.Add(job);
        QueueRunner runner(
            queue,
            [&](const std::string&) {
                ConnectionSettings settings;
                settings.host = host;
                return std::optional<ConnectionSettings>(settings);
            },
            1);
        runner.SetReconnectPolicy({5, 60s, 60s});
        runner.Start();
        ASSERT_TRUE(
            watch.WaitFor([id](const TransferQueue& q) { return q.Job(id)->waitingToReconnect; }, 20s));
        EXPECT_EQ(queue.Job(id)->note, "Waiting to reconnect (attempt 1 of 5)");
        const auto start = std::chrono::steady_clock::now();
        if (act == Act::Stop) runner.Stop();
        if (act == Act::Pause) queue.Pause(id);
        if (act == Act::Cancel) queue.Cancel(id);
        // The one connection is free again only when the wait has ended.
        const std::uint64_t next = queue.Add(job);
        if (act != Act::Stop) {
            EXPECT_TRUE(watch.WaitFor(
                [next](const TransferQueue& q) { return q.Job(next)->state == JobState::Running; }, 5s));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_EQ(queue.Job(id)->state, after);
    }
}

}  // namespace
