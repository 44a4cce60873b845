#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

// A program the test started, ended (SIGTERM, then SIGKILL) and reaped when
// the object goes. Only this pid is ever signalled.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Stop(); }
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (looked up in PATH) with stdout on a pipe the test reads
    // and stderr appended to stderrPath (or discarded when empty).
    static ChildProcess Start(const std::vector<std::string>& argv, const std::string& stderrPath = "",
                              const std::vector<std::string>& extraEnvironment = {});

    bool IsRunning();
    pid_t Pid() const { return pid; }
    // One line of the child's stdout, without its line end; empty on time-out or end.
    std::string ReadLine(std::chrono::milliseconds limit);
    // Everything the child writes to stdout until it exits or the limit passes,
    // and its exit status (-1 when it had to be killed).
    std::string ReadAll(std::chrono::milliseconds limit, int& exitStatus);
    // Waits for the child to exit; its exit code, or -1 after the limit.
    int Wait(std::chrono::milliseconds limit);
    void Stop();

private:
    pid_t pid = -1;
    int stdoutFd = -1;
    std::string buffered;
    int exitCode = -1;
};

// Runs a program to its end (killed after the limit) and collects its output.
struct RunResult {
    int exitCode = -1;  // -1: killed after the time limit
    std::string out;
    std::string err;
};
RunResult RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                     const std::vector<std::string>& extraEnvironment = {});

}  // namespace testsupport
