#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace testsupport {

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid(other.pid),
      stdoutFd(other.stdoutFd),
      buffered(std::move(other.buffered)),
      exitCode(other.exitCode) {
    other.pid = -1;
    other.stdoutFd = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Stop();
        pid = other.pid;
        stdoutFd = other.stdoutFd;
        buffered = std::move(other.buffered);
        exitCode = other.exitCode;
        other.pid = -1;
        other.stdoutFd = -1;
    }
    return *this;
}

ChildProcess ChildProcess::Start(const std::vector<std::string>& argv, const std::string& stderrPath,
                                 const std::vector<std::string>& extraEnvironment) {
    ChildProcess child;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO,
                                     stderrPath.empty() ? "/dev/null" : stderrPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    for (const std::string& extra : extraEnvironment) {
        const std::string key = extra.substr(0, extra.find('=') + 1);
        std::erase_if(environment, [&](const std::string& e) { return e.rfind(key, 0) == 0; });
        environment.push_back(extra);
    }
    std::vector<char*> env;
    for (std::string& entry : environment) env.push_back(entry.data());
    env.push_back(nullptr);

    pid_t pid = -1;
    const int result = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (result != 0) {
        close(pipeFds[0]);
        return child;
    }
    child.pid = pid;
    child.stdoutFd = pipeFds[0];
    return child;
}

bool ChildProcess::IsRunning() {
    if (pid <= 0) return false;
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid = -1;
        return false;
    }
    return done == 0;
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto end = buffered.find('\n');
        if (end != std::string::npos) {
            std::string line = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (stdoutFd < 0 || left.count() <= 0) return {};
        pollfd entry{stdoutFd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) return {};
        char chunk[4096];
        const ssize_t count = read(stdoutFd, chunk, sizeof chunk);
        if (count <= 0) return {};
        buffered.append(chunk, static_cast<std::size_t>(count));
    }
}

std::string ChildProcess::ReadAll(std::chrono::milliseconds limit, int& exitStatus) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string out = std::move(buffered);
    buffered.clear();
    while (stdoutFd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd entry{stdoutFd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
        char chunk[4096];
        const ssize_t count = read(stdoutFd, chunk, sizeof chunk);
        if (count <= 0) break;
        out.append(chunk, static_cast<std::size_t>(count));
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    exitStatus = Wait(std::max(left, std::chrono::milliseconds(0)));
    return out;
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (IsRunning()) {
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exitCode;
}

void ChildProcess::Stop() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        if (Wait(std::chrono::seconds(3)) == -1 && pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    if (stdoutFd >= 0) close(stdoutFd);
    stdoutFd = -1;
}

RunResult RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                     const std::vector<std::string>& extraEnvironment) {
    TempDir scratch("quillmoor-run");
    const std::string errPath = (scratch / "stderr").string();
    ChildProcess child = ChildProcess::Start(argv, errPath, extraEnvironment);
    RunResult result;
    result.out = child.ReadAll(limit, result.exitCode);
    child.Stop();
    result.err = TempDir::ReadFile(errPath);
    return result;
}

}  // namespace testsupport
