// What extra connections buy the transfer queue: 200 files of 64 KiB
// downloaded by the queue's runner with one connection and with three from a
// pyftpdlib server on 127.0.0.1 that paces every data connection to a fixed
// rate (as many servers limit each connection), checked byte for byte.
// Prints both times and their ratio; exits 1 when a download fails or the
// ratio stays below 1.5.
//
//   bench_parallel [FILES [KIB [KIB_PER_SECOND]]]   (defaults 200 64 2048)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "queue/core/queue_runner.h"
#include "queue/core/queue_watch.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// pyftpdlib with every data connection paced to argv[3] bytes a second: a
// connection that is ahead of the rate sleeps until it is due again.
const char* const kServerScript = R"(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
from pyftpdlib.ioloop import timer

class PacedDTPHandler(ThrottledDTPHandler):
    read_limit = write_limit = int(sys.argv[3])
    def _throttle_bandwidth(self, len_chunk, max_speed):
        now = timer()
        if not self._datacount:
            self._started = now
        self._datacount += len_chunk
        due = self._started + self._datacount / max_speed
        if due > now:
            def unsleep():
                self.add_channel(events=self.ioloop.READ if self.receive else self.ioloop.WRITE)
            self.del_channel()
            self._cancel_throttler()
            self._throttler = self.ioloop.call_later(due - now, unsleep, _errback=self.handle_error)

logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])
handler = type('Handler', (FTPHandler,), {'authorizer': authorizer, 'dtp_handler': PacedDTPHandler})
server = FTPServer((sys.argv[2], 0), handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

// The paced server as a child process; stopped (by its pid) when this goes.
class PacedServer {
public:
    PacedServer(const fs::path& root, long bytesPerSecond) {
        int output[2];
        if (pipe(output) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        const std::string rate = std::to_string(bytesPerSecond);
        const std::string rootText = root.string();
        std::vector<char*> argv = {const_cast<char*>("/usr/bin/python3"),
                                   const_cast<char*>("-c"),
                                   const_cast<char*>(kServerScript),
                                   const_cast<char*>(rootText.c_str()),
                                   const_cast<char*>("127.0.0.1"),
                                   const_cast<char*>(rate.c_str()),
                                   nullptr};
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        if (FILE* stream = fdopen(output[0], "r")) {
            char line[32] = {};
            if (std::fgets(line, sizeof line, stream) != nullptr) port = std::atoi(line);
            std::fclose(stream);
        } else {
            close(output[0]);
        }
    }
    ~PacedServer() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    PacedServer(const PacedServer&) = delete;
    PacedServer& operator=(const PacedServer&) = delete;

    int Port() const { return port; }

private:
    pid_t pid = -1;
    int port = 0;
};

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Downloads every file with the given number of connections into a fresh
// directory; the seconds taken, or a negative number when a file failed.
double TimeDownloads(int connections, int port, const std::vector<std::string>& names,
                     const std::vector<std::string>& contents, const fs::path& work) {
    const fs::path target = work / ("with-" + std::to_string(connections));
    fs::create_directories(target);
    TransferQueue queue;
    QueueWatch watch(queue);
    for (const std::string& name : names) {
        TransferJob job;
        job.site = "bench";
        job.localPath = (target / name).string();
        job.remotePath = "/" + name;
        queue.Add(job);
    }
    QueueRunner runner(
        queue,
        [port](const std::string&) {
            ConnectionSettings settings;
            settings.host = "127.0.0.1:" + std::to_string(port);
            settings.user = "anonymous";
            settings.password = "bench@example.com";
            settings.dataMode = DataMode::Passive;
            settings.transferMode = 'I';
            return std::optional<ConnectionSettings>(settings);
        },
        connections);
    const auto start = std::chrono::steady_clock::now();
    runner.Start();
    const bool idle = watch.WaitFor(QueueWatch::Idle, std::chrono::minutes(10));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    runner.Stop();
    runner.Log().TakeAll();
    if (!idle) {
        std::fprintf(stderr, "bench_parallel: the downloads did not finish\n");
        return -1;
    }
    for (const TransferJob& job : queue.Jobs()) {
        if (job.state != JobState::Done) {
            std::fprintf(stderr, "bench_parallel: %s failed: %s\n", job.remotePath.c_str(),
                         job.failure.c_str());
            return -1;
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (ReadWhole(target / names[i]) != contents[i]) {
            std::fprintf(stderr, "bench_parallel: %s differs from the server's\n", names[i].c_str());
            return -1;
        }
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const int kib = argc > 2 ? std::atoi(argv[2]) : 64;
    const long rate = (argc > 3 ? std::atol(argv[3]) : 2048) * 1024;
    if (files <= 0 || kib <= 0 || rate <= 0) {
        std::fprintf(stderr, "usage: bench_parallel [FILES [KIB [KIB_PER_SECOND]]]\n");
        return 2;
    }
    const fs::path parent = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (parent / "quillmoor-parallel.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path work = pattern;
    const fs::path root = work / "root";
    fs::create_directories(root);

    std::mt19937 generator(42);
    std::vector<std::string> names;
    std::vector<std::string> contents;
    for (int i = 0; i < files; ++i) {
        names.push_back("file-" + std::to_string(i) + ".bin");
        std::string bytes(static_cast<std::size_t>(kib) * 1024, '\0');
        for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
        std::ofstream(root / names.back(), std::ios::binary) << bytes;
        contents.push_back(std::move(bytes));
    }

    int status = 0;
    {
        PacedServer server(root, rate);
        if (server.Port() <= 0) {
            std::fprintf(stderr, "bench_parallel: the server (python3 with pyftpdlib) did not start\n");
            status = 1;
        } else {
            const double one = TimeDownloads(1, server.Port(), names, contents, work);
            const double three = one < 0 ? -1 : TimeDownloads(3, server.Port(), names, contents, work);
            if (one < 0 || three < 0) {
                status = 1;
            } else {
                const double ratio = one / three;
                std::printf(
                    "parallel downloads: %d files of %d KiB, server paced to %ld KiB/s per connection\n",
                    files, kib, rate / 1024);
                std::printf(
                    "  1 connection:  %.2f s\n  3 connections: %.2f s\n  ratio: %.2f (target >= 1.5)\n", one,
                    three, ratio);
                if (ratio < 1.5) status = 1;
            }
        }
    }
    std::error_code error;
    fs::remove_all(work, error);
    return status;
}
