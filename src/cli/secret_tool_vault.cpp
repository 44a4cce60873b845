#include "cli/secret_tool_vault.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace {

constexpr std::size_t kMaxPasswordBytes = 64 * 1024;

// Reads the child's output until it closes it or the deadline passes; false
// on the deadline.
bool ReadUntilClosed(int fd, std::string& out, std::chrono::steady_clock::time_point deadline) {
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) return false;
        if (polled < 0) return true;  // nothing more can be read: what came is all there is
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        if (out.size() < kMaxPasswordBytes) out.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

SecretToolPasswordVault::SecretToolPasswordVault(std::string service, std::chrono::milliseconds timeLimit,
                                                 std::string program)
    : service(std::move(service)), timeLimit(timeLimit), program(std::move(program)) {}

bool SecretToolPasswordVault::Store(const std::string&, const std::string&, std::string& error) {
    error = "the command-line client does not change the keyring";
    return false;
}

bool SecretToolPasswordVault::Remove(const std::string&, std::string& error) {
    error = "the command-line client does not change the keyring";
    return false;
}

std::optional<std::string> SecretToolPasswordVault::Read(const std::string& key, std::string& error) {
    error.clear();
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words{program, "lookup", "user", key, "server", service};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {  // no secret-tool: no keyring to read
        close(output[0]);
        return std::nullopt;
    }
    std::string password;
    const bool closed = ReadUntilClosed(output[0], password, std::chrono::steady_clock::now() + timeLimit);
    close(output[0]);
    // A keyring waiting for an unlock prompt nobody answers is given up on.
    if (!closed) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!closed) {
        error = "the keyring did not answer within " + std::to_string(timeLimit.count() / 1000) + " seconds";
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || password.empty()) return std::nullopt;
    return password;
}
