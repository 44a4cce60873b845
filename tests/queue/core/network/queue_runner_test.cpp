// The runner against real servers on 127.0.0.1: parallel downloads, uploads,
// directory jobs, pause and resume mid-file, cancel, unknown sites, and a
// stop that does not wait for a server that says nothing.
#include "queue/core/queue_runner.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "ftp/resume_plan.h"
#include "queue/core/queue_watch.h"
#include "support/real_ftp_server.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TempDir;
namespace fs = std::filesystem;

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

bool AllFinished(const TransferQueue& queue) { return QueueWatch::Idle(queue); }

std::size_t ThreadCount() {
    std::error_code error;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task", error), {}));
}

// The size of a file, 0 while there is none.
std::uintmax_t SizeOf(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

std::string Describe(const TransferQueue& queue) {
    std::string text;
    for (const TransferJob& job : queue.Jobs()) {
        text += job.remotePath + " state " + std::to_string(static_cast<int>(job.state)) + " " + job.failure +
                job.note + "\n";
    }
    return text;
}

struct ServerKind {
    const char* name;
    std::function<std::unique_ptr<testsupport::RealFtpServer>()> start;
};

// A queue and its runner against one real server.
class RunnerTestBase : public ::testing::Test {
protected:
    // Starts server (or skips the test when it cannot start).
    void UseServer(std::unique_ptr<testsupport::RealFtpServer> started, const char* name) {
        server = std::move(started);
        if (!server->Started()) GTEST_SKIP() << name << " not available: " << server->Problem();
        remoteDir = server->WritableRemoteDir().empty() ? "" : "/" + server->WritableRemoteDir();
    }
    void TearDown() override {
        if (runner) runner->Stop();
    }

    // "test" transfers as the settings say by default, "ascii" in ASCII.
    std::optional<ConnectionSettings> SettingsFor(const std::string& site) const {
        if (site != "test" && site != "ascii") return std::nullopt;
        ConnectionSettings settings = testsupport::AnonymousSettings(*server);
        if (site == "ascii") settings.transferMode = 'A';
        return settings;
    }
    void StartRunner(int connections) {
        runner = std::make_unique<QueueRunner>(
            queue, [this](const std::string& site) { return SettingsFor(site); }, connections);
        runner->Start();
    }
    // Jobs replace what is there unless told otherwise (none: asked when found).
    std::uint64_t Queue(TransferDirection direction, const std::string& local, const std::string& remoteName,
                        bool directory = false, const std::string& site = "test",
                        std::optional<ExistingFileChoice> existing = ExistingFileChoice::Overwrite) {
        TransferJob job;
        job.existing = existing;
        job.direction = direction;
        job.site = site;
        job.localPath = local;
        job.remotePath = remoteDir + "/" + remoteName;
        job.isDirectory = directory;
        return queue.Add(job);
    }
    fs::path ServerFile(const std::string& name, const std::string& contents) {
        const fs::path path = server->WritableDir() / name;
        fs::create_directories(path.parent_path());
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
        return path;
    }
    std::string Log() {
        std::string text;
        for (const std::string& line : runner->Log().TakeAll()) text += line + "\n";
        return text;
    }

    std::unique_ptr<testsupport::RealFtpServer> server;
    std::string remoteDir;
    TempDir local;
    TransferQueue queue;
    QueueWatch watcher{queue};  // waits for a state with a deadline instead of sleeping
    std::unique_ptr<QueueRunner> runner;
};

// The same jobs on pyftpdlib and on vsftpd.
class QueueRunnerTest : public RunnerTestBase, public ::testing::WithParamInterface<ServerKind> {
protected:
    void SetUp() override { UseServer(GetParam().start(), GetParam().name); }
};

TEST_P(QueueRunnerTest, TwentyFilesOnThreeConnectionsArriveWhole) {
    std::vector<std::string> contents;
    for (int i = 0; i < 20; ++i) {
        contents.push_back(RandomBytes(1000 + static_cast<std::size_t>(i) * 9000, static_cast<unsigned>(i)));
        ServerFile("f" + std::to_string(i) + ".bin", contents.back());
        Queue(TransferDirection::Download, (local / ("f" + std::to_string(i) + ".bin")).string(),
              "f" + std::to_string(i) + ".bin");
    }
    // One thread per connection: the process never holds more than its
    // threads before (the counter's own and any a sanitizer starts with the
    // first new thread among them) and the three connections'.
    std::atomic<std::size_t> before{0};
    std::atomic<bool> counting{true};
    std::size_t most = 0;
    std::thread counter([&] {
        before = ThreadCount();
        while (counting) {
            most = std::max(most, ThreadCount());
            std::this_thread::sleep_for(2ms);
        }
    });
    while (before == 0) std::this_thread::yield();
    StartRunner(3);
    const bool finished = watcher.WaitFor(AllFinished);
    counting = false;
    counter.join();
    ASSERT_TRUE(finished) << Describe(queue);
    EXPECT_LE(most, before + 3);
    for (const TransferJob& job : queue.Jobs()) {
        SCOPED_TRACE(job.localPath);
        EXPECT_EQ(job.state, JobState::Done) << job.failure;
        EXPECT_EQ(job.doneBytes, job.totalBytes);
    }
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(TempDir::ReadFile(local / ("f" + std::to_string(i) + ".bin")) == contents[i]) << i;
    }
    const std::string log = Log();
    EXPECT_NE(log.find("RETR f19.bin"), std::string::npos) << "the connections' lines reach the runner's log";
}

TEST_P(QueueRunnerTest, UploadsAndDirectoryJobs) {
    const std::string single = RandomBytes(70000, 1);
    local.WriteFile("up.bin", single);
    local.WriteFile("tree/a.txt", "alpha");
    local.WriteFile("tree/sub/b.bin", RandomBytes(30000, 2));
    ServerFile("remote-tree/x.txt", "x-ray");
    ServerFile("remote-tree/deeper/y.bin", RandomBytes(20000, 3));

    Queue(TransferDirection::Upload, (local / "up.bin").string(), "up.bin");
    Queue(TransferDirection::Upload, (local / "tree").string(), "tree", true);
    Queue(TransferDirection::Download, (local / "fetched").string(), "remote-tree", true);
    Queue(TransferDirection::Upload, (local / "missing.bin").string(), "missing.bin");
    StartRunner(2);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);

    const std::vector<TransferJob> jobs = queue.Jobs();
    ASSERT_EQ(jobs.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(jobs[i].state, JobState::Done) << jobs[i].remotePath << ": " << jobs[i].failure;
        EXPECT_EQ(jobs[i].doneBytes, jobs[i].totalBytes) << jobs[i].remotePath;
    }
    EXPECT_EQ(jobs[1].totalBytes, 30005) << "a tree counts the bytes of all its files";
    EXPECT_EQ(jobs[3].state, JobState::Failed);
    EXPECT_EQ(jobs[3].failure, "Cannot read " + (local / "missing.bin").string());
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "up.bin") == single);
    EXPECT_EQ(TempDir::ReadFile(server->WritableDir() / "tree/a.txt"), "alpha");
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "tree/sub/b.bin") == RandomBytes(30000, 2));
    EXPECT_EQ(TempDir::ReadFile(local / "fetched/x.txt"), "x-ray");
    EXPECT_TRUE(TempDir::ReadFile(local / "fetched/deeper/y.bin") == RandomBytes(20000, 3));
}

// A tree read again (after a pause, or into a directory there already)
// takes the directories that exist and fills in what is missing.
TEST_P(QueueRunnerTest, DirectoryJobIntoExistingDirectories) {
    ServerFile("docs/new.txt", "new");
    ServerFile("docs/kept.txt", "server");
    ServerFile("docs/empty/.keep", "");
    local.WriteFile("docs/kept.txt", "mine");
    fs::create_directories(server->WritableDir() / "up");
    fs::permissions(server->WritableDir() / "up", fs::perms::all);  // vsftpd's anonymous user writes into it
    local.WriteFile("up/one.txt", "1");
    TransferJob down;
    down.site = "test";
    down.isDirectory = true;
    down.localPath = (local / "docs").string();
    down.remotePath = remoteDir + "/docs";
    down.existing = ExistingFileChoice::Skip;
    queue.Add(down);
    Queue(TransferDirection::Upload, (local / "up").string(), "up", true);
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    EXPECT_EQ(TempDir::ReadFile(local / "docs/new.txt"), "new");
    EXPECT_EQ(TempDir::ReadFile(local / "docs/kept.txt"), "mine") << "the tree's choice holds for each file";
    EXPECT_TRUE(fs::is_directory(local / "docs/empty"));
    EXPECT_EQ(TempDir::ReadFile(server->WritableDir() / "up/one.txt"), "1");
}

// Links already in a local tree are not followed: nothing is written
// outside the directory the user chose.
TEST_P(QueueRunnerTest, DirectoryDownloadDoesNotFollowLocalLinks) {
    ServerFile("docs/a.txt", "from the server");
    ServerFile("docs/sub/b.txt", "from the server");
    const fs::path outside = local.WriteFile("outside/a.txt", "outside");
    fs::create_directories(local / "docs");
    fs::create_symlink(outside, local / "docs/a.txt");
    fs::create_directory_symlink(local / "outside", local / "docs/sub");
    TransferJob job;
    job.site = "test";
    job.isDirectory = true;
    job.localPath = (local / "docs").string();
    job.remotePath = remoteDir + "/docs";
    const std::uint64_t id = queue.Add(job);
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    EXPECT_EQ(queue.Job(id)->state, JobState::Failed);
    EXPECT_EQ(queue.Job(id)->failure.rfind("Could not make " + (local / "docs/sub").string(), 0), 0u)
        << queue.Job(id)->failure;
    EXPECT_EQ(TempDir::ReadFile(outside), "outside");
    EXPECT_FALSE(fs::exists(local / "outside/b.txt"));
    EXPECT_NE(Log().find("a link is there"), std::string::npos);
}

TEST_P(QueueRunnerTest, ExistingTargetsFollowTheJobsChoice) {
    ServerFile("keep.txt", "server copy");
    ServerFile("rename.txt", "server copy");
    ServerFile("resume.bin", "0123456789abcdef");
    local.WriteFile("keep.txt", "local copy");
    local.WriteFile("rename.txt", "local copy");
    local.WriteFile("resume.bin", "0123456789");
    const struct {
        const char* name;
        ExistingFileChoice choice;
    } jobs[] = {{"keep.txt", ExistingFileChoice::Skip},
                {"rename.txt", ExistingFileChoice::Rename},
                {"resume.bin", ExistingFileChoice::Resume}};
    for (const auto& j : jobs) {
        TransferJob job;
        job.site = "test";
        job.localPath = (local / j.name).string();
        job.remotePath = remoteDir + "/" + j.name;
        job.existing = j.choice;
        queue.Add(job);
    }
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    const std::vector<TransferJob> done = queue.Jobs();
    EXPECT_EQ(done[0].note, "Skipped: the target exists");
    EXPECT_EQ(TempDir::ReadFile(local / "keep.txt"), "local copy");
    EXPECT_EQ(done[1].localPath, (local / "rename (1).txt").string());
    EXPECT_EQ(TempDir::ReadFile(local / "rename.txt"), "local copy");
    EXPECT_EQ(TempDir::ReadFile(local / "rename (1).txt"), "server copy");
    EXPECT_EQ(TempDir::ReadFile(local / "resume.bin"), "0123456789abcdef");
    EXPECT_NE(Log().find("REST 10"), std::string::npos) << "the existing file is continued, not sent again";
}

// An ASCII download converts line ends as it arrives and is never continued:
// Resume fetches it whole, and leaves no partial file to be continued by
// mistake later.
TEST_P(QueueRunnerTest, ResumeOfAnAsciiDownloadFetchesItWhole) {
    ServerFile("notes.txt", "one\ntwo\n");
    local.WriteFile("notes.txt", "ONE\n");
    Queue(TransferDirection::Download, (local / "notes.txt").string(), "notes.txt", false, "ascii",
          ExistingFileChoice::Resume);
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    EXPECT_TRUE(IsFinished(queue.Jobs().front().state)) << Describe(queue);
    EXPECT_EQ(TempDir::ReadFile(local / "notes.txt"), "one\ntwo\n");
    EXPECT_FALSE(fs::exists(local / "notes.txt.part"));
}

// Jobs queued without a choice look at their target when they start and ask
// only when it is there; a stop ends a wait for an answer.
TEST_P(QueueRunnerTest, JobsWithoutAChoiceAskWhenTheyFindTheirTarget) {
    const struct {
        const char* name;
        TransferDirection direction;
        std::optional<ExistingFileChoice> answer;  // none: Cancel
        const char* localAfter;
        const char* serverAfter;
    } rows[] = {
        {"up-rename.txt", TransferDirection::Upload, ExistingFileChoice::Rename, "local", "server"},
        {"up-cancel.txt", TransferDirection::Upload, std::nullopt, "local", "server"},
        {"down-overwrite.txt", TransferDirection::Download, ExistingFileChoice::Overwrite, "server", "server"},
        {"down-skip.txt", TransferDirection::Download, ExistingFileChoice::Skip, "local", "server"},
    };
    std::vector<std::uint64_t> ids;
    for (const auto& row : rows) {
        ServerFile(row.name, "server");
        local.WriteFile(row.name, "local");
        ids.push_back(Queue(row.direction, (local / row.name).string(), row.name, false, "test", std::nullopt));
    }
    const std::uint64_t fresh =
        Queue(TransferDirection::Download, (local / "fresh.txt").string(), "up-rename.txt", false, "test", std::nullopt);
    std::mutex asked;
    std::vector<std::string> targets;
    runner = std::make_unique<QueueRunner>(
        queue, [this](const std::string& site) { return SettingsFor(site); }, 2);
    runner->Questions().SetListener([&] {
        while (std::optional<TargetQuestion> question = runner->Questions().Next()) {
            const std::string name = fs::path(question->target).filename().string();
            for (const auto& row : rows) {
                if (name == row.name) runner->Questions().Answer(question->job, {row.answer, false});
            }
            std::lock_guard<std::mutex> guard(asked);
            targets.push_back(name);
        }
    });
    runner->Start();
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    runner->Stop();
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string>{"down-overwrite.txt", "down-skip.txt", "up-cancel.txt",
                                                 "up-rename.txt"}));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(TempDir::ReadFile(local / rows[i].name), rows[i].localAfter);
        EXPECT_EQ(TempDir::ReadFile(server->WritableDir() / rows[i].name), rows[i].serverAfter);
        EXPECT_EQ(queue.Job(ids[i])->state, rows[i].answer ? JobState::Done : JobState::Failed);
    }
    EXPECT_EQ(TempDir::ReadFile(server->WritableDir() / "up-rename (1).txt"), "local");
    EXPECT_EQ(TempDir::ReadFile(local / "fresh.txt"), "server");
    EXPECT_EQ(queue.Job(fresh)->state, JobState::Done);

    // Nobody answers: the stop ends the wait, and the job is queued again.
    std::promise<void> questionWaits;
    runner->Questions().SetListener([&] { questionWaits.set_value(); });
    const std::uint64_t waiting =
        Queue(TransferDirection::Download, (local / "fresh.txt").string(), "up-rename.txt", false, "test", std::nullopt);
    runner->Start();
    ASSERT_EQ(questionWaits.get_future().wait_for(20s), std::future_status::ready);
    const auto before = std::chrono::steady_clock::now();
    runner->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(queue.Job(waiting)->state, JobState::Queued);
    EXPECT_EQ(TempDir::ReadFile(local / "fresh.txt"), "server");
}

TEST_P(QueueRunnerTest, CancelAndUnknownSiteFailCleanly) {
    ServerFile("big.bin", RandomBytes(64u << 20, 9));
    const std::uint64_t cancelled =
        Queue(TransferDirection::Download, (local / "big.bin").string(), "big.bin");
    const std::uint64_t unknown =
        Queue(TransferDirection::Download, (local / "other.bin").string(), "big.bin", false, "nowhere");
    queue.Cancel(cancelled);
    StartRunner(2);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    EXPECT_EQ(queue.Job(cancelled)->failure, "Cancelled");
    EXPECT_EQ(queue.Job(unknown)->state, JobState::Failed);
    EXPECT_EQ(queue.Job(unknown)->failure, "Unknown site");
    EXPECT_FALSE(fs::exists(local / "big.bin"));

    // Cancelled while it runs: failed, and the target never appears.
    queue.Retry(cancelled);
    ASSERT_TRUE(watcher.WaitFor(
        [&](const TransferQueue& q) { return q.Job(cancelled)->state == JobState::Running; }));
    queue.Cancel(cancelled);
    ASSERT_TRUE(watcher.WaitFor(AllFinished));
    runner->Stop();
    EXPECT_EQ(queue.Job(cancelled)->state, JobState::Failed);
    EXPECT_EQ(queue.Job(cancelled)->failure, "Cancelled");
}

INSTANTIATE_TEST_SUITE_P(
    Servers, QueueRunnerTest,
    ::testing::Values(ServerKind{"pyftpdlib",
                                 [] { return std::make_unique<testsupport::PyftpdlibServer>(); }},
                      ServerKind{"vsftpd", [] { return std::make_unique<testsupport::VsftpdServer>(); }}),
    [](const auto& info) { return std::string(info.param.name); });

// pyftpdlib offering HASH, with each data connection slowed to 1 MiB/s so
// that a transfer is still running when the test acts on it.
class CheckingServerTest : public RunnerTestBase {
protected:
    void SetUp() override { UseServer(Start(false), "pyftpdlib"); }
    static std::unique_ptr<testsupport::RealFtpServer> Start(bool wrongHash) {
        testsupport::PyftpdlibOptions options;
        options.hashCommands = {"HASH"};
        options.wrongHash = wrongHash;
        options.bytesPerSecond = 1 << 20;
        return std::make_unique<testsupport::PyftpdlibServer>(options);
    }
};

TEST_F(CheckingServerTest, CheckedTransfersAreMarkedVerified) {
    const std::string down = RandomBytes(300000, 21);
    const std::string up = RandomBytes(200000, 22);
    ServerFile("down.bin", down);
    local.WriteFile("up.bin", up);
    const std::uint64_t download =
        Queue(TransferDirection::Download, (local / "down.bin").string(), "down.bin");
    const std::uint64_t upload = Queue(TransferDirection::Upload, (local / "up.bin").string(), "up.bin");
    StartRunner(2);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    EXPECT_EQ(queue.Job(download)->state, JobState::Verified) << queue.Job(download)->failure;
    EXPECT_EQ(queue.Job(upload)->state, JobState::Verified) << queue.Job(upload)->failure;
    EXPECT_TRUE(TempDir::ReadFile(local / "down.bin") == down);
    EXPECT_TRUE(TempDir::ReadFile(server->WritableDir() / "up.bin") == up);
}

// The same server reporting a digest that never matches: a corrupted transfer.
class WrongDigestServerTest : public CheckingServerTest {
protected:
    void SetUp() override { UseServer(Start(true), "pyftpdlib"); }
};

TEST_F(WrongDigestServerTest, AMismatchFailsAndLeavesTheOldFile) {
    ServerFile("report.txt", "the server's new report");
    local.WriteFile("report.txt", "the old report");
    const std::uint64_t id =
        Queue(TransferDirection::Download, (local / "report.txt").string(), "report.txt");
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    const TransferJob job = *queue.Job(id);
    EXPECT_EQ(job.state, JobState::Failed);
    EXPECT_NE(job.failure.find("SHA-256"), std::string::npos) << job.failure;
    EXPECT_EQ(TempDir::ReadFile(local / "report.txt"), "the old report");
    EXPECT_EQ(job.attempts, 1) << "a mismatch is not tried again";
}

TEST_F(CheckingServerTest, PausedDownloadContinuesWithRestAndEndsWhole) {
    const std::string contents = RandomBytes(3u << 20, 7);
    ServerFile("big.bin", contents);
    const fs::path target = local / "big.bin";
    const std::uint64_t id = Queue(TransferDirection::Download, target.string(), "big.bin");
    StartRunner(1);
    // Paused as soon as the kept partial file has bytes in it.
    const fs::path partial = PartialFilePath(target.string());
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline && SizeOf(partial) < (256u << 10)) {
        std::this_thread::sleep_for(1ms);
    }
    queue.Pause(id);
    ASSERT_TRUE(
        watcher.WaitFor([&](const TransferQueue& q) { return q.Job(id)->state == JobState::Paused; }));
    // The stopped transfer's partial file stays for the next run.
    ASSERT_TRUE(watcher.WaitFor([&](const TransferQueue&) { return SizeOf(partial) > 0; }, 10s));
    ASSERT_FALSE(fs::exists(target)) << "the download was not stopped in time; nothing to resume";

    queue.Resume(id);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    EXPECT_EQ(queue.Job(id)->state, JobState::Verified) << queue.Job(id)->failure;
    EXPECT_EQ(queue.Job(id)->attempts, 2);
    EXPECT_NE(Log().find("REST "), std::string::npos);
    EXPECT_TRUE(TempDir::ReadFile(target) == contents) << "the continued file differs from the server's";
}

TEST_F(CheckingServerTest, PausedDirectoryContinuesWhereItStopped) {
    std::vector<std::string> contents;
    // The server lets the first 2 MiB of a data connection through at once,
    // then holds each further MiB for a while.
    constexpr std::size_t kSize = 3u << 20;
    for (int i = 0; i < 3; ++i) {
        contents.push_back(RandomBytes(kSize, 30 + static_cast<unsigned>(i)));
        ServerFile("album/p" + std::to_string(i) + ".jpg", contents.back());
    }
    const std::uint64_t id = Queue(TransferDirection::Download, (local / "album").string(), "album", true);
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor(
        [&](const TransferQueue& q) { return q.Job(id)->doneBytes > std::int64_t{kSize + (1u << 20)}; },
        30s));
    queue.Pause(id);
    ASSERT_TRUE(fs::exists(local / "album/p0.jpg")) << "the first file had arrived before the pause";
    queue.Resume(id);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    const TransferJob job = *queue.Job(id);
    EXPECT_EQ(job.attempts, 2);
    EXPECT_EQ(job.state, JobState::Done)
        << job.failure << " (files skipped as complete are not checked again)";
    EXPECT_EQ(job.doneBytes, std::int64_t{3 * kSize});
    const std::string log = Log();
    EXPECT_NE(log.find("p0.jpg: Skipped: the target is complete"), std::string::npos) << log;
    EXPECT_NE(log.find("REST "), std::string::npos) << "the file the pause broke off is continued";
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(TempDir::ReadFile(local / ("album/p" + std::to_string(i) + ".jpg")) == contents[i]) << i;
    }
}

TEST_F(CheckingServerTest, MoreConnectionsTakeWaitingJobsAtOnce) {
    for (int i = 0; i < 3; ++i) {
        ServerFile("c" + std::to_string(i) + ".bin", RandomBytes(3u << 20, 40));
        Queue(TransferDirection::Download, (local / ("c" + std::to_string(i) + ".bin")).string(),
              "c" + std::to_string(i) + ".bin");
    }
    auto running = [](const TransferQueue& q) {
        int count = 0;
        for (const TransferJob& job : q.Jobs()) count += job.state == JobState::Running ? 1 : 0;
        return count;
    };
    StartRunner(1);
    ASSERT_TRUE(watcher.WaitFor([&](const TransferQueue& q) { return running(q) == 1; }));
    EXPECT_EQ(queue.Jobs()[1].state, JobState::Queued) << "one connection runs one job";
    runner->SetConnections(3);
    EXPECT_TRUE(watcher.WaitFor([&](const TransferQueue& q) { return running(q) == 3; }, 10s))
        << Describe(queue);
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    for (const TransferJob& job : queue.Jobs()) EXPECT_EQ(job.state, JobState::Verified) << job.failure;
}

TEST_F(CheckingServerTest, StopGivesRunningJobsBackQuickly) {
    for (int i = 0; i < 3; ++i) ServerFile("s" + std::to_string(i) + ".bin", RandomBytes(2u << 20, 11));
    for (int i = 0; i < 3; ++i) {
        Queue(TransferDirection::Download, (local / ("s" + std::to_string(i) + ".bin")).string(),
              "s" + std::to_string(i) + ".bin");
    }
    StartRunner(3);
    ASSERT_TRUE(
        watcher.WaitFor([](const TransferQueue& q) { return q.Jobs()[0].state != JobState::Queued; }));
    const auto start = std::chrono::steady_clock::now();
    runner->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    for (const TransferJob& job : queue.Jobs()) {
        EXPECT_TRUE(job.state == JobState::Queued || job.state == JobState::Verified) << Describe(queue);
    }
    // Started again, it finishes what it gave back.
    runner->Start();
    ASSERT_TRUE(watcher.WaitFor(AllFinished)) << Describe(queue);
    for (const TransferJob& job : queue.Jobs()) EXPECT_EQ(job.state, JobState::Verified) << job.failure;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(TempDir::ReadFile(local / ("s" + std::to_string(i) + ".bin")) ==
                    RandomBytes(2u << 20, 11));
    }
}

// The server goes away for five seconds while forty downloads run (as a
// restart or a crash would do it): the jobs wait, go on once it answers on
// the same port, and every file arrives whole.
TEST(QueueOutageTest, FortyJobsOutlastAFiveSecondOutage) {
    testsupport::PyftpdlibOptions options;
    options.bytesPerSecond = 1 << 20;  // so that the queue still runs when the server goes
    testsupport::PyftpdlibServer server(options);
    if (!server.Started()) GTEST_SKIP() << server.Problem();
    TransferQueue queue;
    QueueWatch watcher(queue);
    TempDir local;
    constexpr int kJobs = 40;
    auto name = [](int i) { return "o" + std::to_string(i) + ".bin"; };
    for (int i = 0; i < kJobs; ++i) {
        std::ofstream(server.WritableDir() / name(i), std::ios::binary)
            << RandomBytes(150000, static_cast<unsigned>(i));
        TransferJob job;
        job.site = "test";
        job.localPath = (local / name(i)).string();
        job.remotePath = "/" + name(i);
        queue.Add(job);
    }
    QueueRunner runner(
        queue,
        [&](const std::string&) { return std::optional<ConnectionSettings>(testsupport::AnonymousSettings(server)); },
        3);
    runner.SetRetryPolicy({1, 100ms, 100ms});
    runner.SetReconnectPolicy({5, 400ms, 16s});  // waits 0.4, 0.8, 1.6, 3.2 and 6.4 s
    runner.Start();
    auto finished = [](const TransferQueue& q) {
        int count = 0;
        for (const TransferJob& job : q.Jobs()) count += job.state == JobState::Done ? 1 : 0;
        return count;
    };
    ASSERT_TRUE(watcher.WaitFor([&](const TransferQueue& q) { return finished(q) >= 5; })) << Describe(queue);
    server.Halt();
    const auto down = std::chrono::steady_clock::now();
    EXPECT_TRUE(watcher.WaitFor(
        [](const TransferQueue& q) {
            for (const TransferJob& job : q.Jobs()) {
                if (job.waitingToReconnect) return true;
            }
            return false;
        },
        10s))
        << Describe(queue);
    std::this_thread::sleep_until(down + 5s);  // the outage itself
    ASSERT_TRUE(server.ServeAgain()) << server.Problem();
    const bool finishedAll = watcher.WaitFor(AllFinished);
    std::string log;
    for (const std::string& line : runner.Log().TakeAll()) log += line + "\n";
    ASSERT_TRUE(finishedAll) << Describe(queue) << log;
    for (const TransferJob& job : queue.Jobs()) EXPECT_EQ(job.state, JobState::Done) << Describe(queue);
    for (int i = 0; i < kJobs; ++i) {
        EXPECT_TRUE(TempDir::ReadFile(local / name(i)) == RandomBytes(150000, static_cast<unsigned>(i))) << i;
    }
}

// A server that takes the connection and never says a word: the runner's
// stop must not wait for the session's time limit.
TEST(QueueRunnerSilentServerTest, StopDoesNotWaitForASilentServer) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    TransferQueue queue;
    QueueWatch watcher(queue);
    TempDir local;
    TransferJob job;
    job.site = "silent";
    job.localPath = (local / "x").string();
    job.remotePath = "/x";
    queue.Add(job);
    QueueRunner runner(
        queue,
        [&](const std::string&) {
            ConnectionSettings settings;
            settings.host = host;
            settings.timeoutSeconds = 60;
            return std::optional<ConnectionSettings>(settings);
        },
        1);
    runner.Start();
    // Once the connection is taken the worker waits for a greeting that never comes.
    pollfd incoming{listener, POLLIN, 0};
    ASSERT_EQ(poll(&incoming, 1, 10000), 1);
    const int connection = accept(listener, nullptr, nullptr);
    const auto start = std::chrono::steady_clock::now();
    runner.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(queue.Jobs()[0].state, JobState::Queued);
    close(connection);
    close(listener);
}

}  // namespace
