#include "CliRunner.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace clitest {

CliResult RunCli(const std::vector<std::string>& arguments, int limitMs, int interruptAfterMs,
                 const std::string& interruptOn) {
    CliEnding ending;
    ending.limitMs = limitMs;
    ending.signalAfterMs = interruptAfterMs;
    ending.signalOn = interruptOn;
    return RunCli(arguments, ending);
}

CliResult RunCli(const std::vector<std::string>& arguments, const CliEnding& ending) {
    const int limitMs = ending.limitMs, interruptAfterMs = ending.signalAfterMs;
    const std::string& interruptOn = ending.signalOn;
    const char* other = std::getenv("TESSARO_CLI_UNDER_TEST");
    const std::string binary = other != nullptr && *other != '\0' ? other : TESSARO_CLI_BINARY;
    CliResult result;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<std::string> args = {binary};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const auto deadline = started + std::chrono::milliseconds(limitMs);
    auto interruptAt = started + std::chrono::milliseconds(interruptAfterMs);
    bool timed = interruptAfterMs >= 0;
    bool interrupted = !timed && interruptOn.empty();
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const auto now = Clock::now();
        if (!interrupted && !timed && !interruptOn.empty() &&
            (result.err.find(interruptOn) != std::string::npos || result.out.find(interruptOn) != std::string::npos)) {
            timed = true;
            interruptAt = now + std::chrono::milliseconds(ending.signalDelayMs);
        }
        if (!interrupted && timed && now >= interruptAt) {
            interrupted = true;
            if (ending.signal != SIGPIPE) {
                kill(pid, ending.signal);
            } else if (fds[0].fd >= 0) {
                close(fds[0].fd);
                fds[0].fd = -1;
                --open;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (!interrupted && timed)
            left = std::min<long long>(left, std::chrono::duration_cast<std::chrono::milliseconds>(interruptAt - now).count() + 1);
        if (poll(fds, 2, static_cast<int>(left)) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0) close(fd.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace clitest
