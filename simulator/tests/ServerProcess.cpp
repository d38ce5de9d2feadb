#include "simulator/tests/ServerProcess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace simulator::testing {

ServerProcess::ServerProcess(const std::string& serverPath, const std::string& socketPath,
                             const std::string& segmentPath, const std::string& logPath,
                             const std::vector<std::string>& extraArgs)
    : socket_(socketPath) {
    setenv("NIFB_SOCKET", socketPath.c_str(), 1);
    std::vector<std::string> args = {serverPath, "--socket", socketPath, "--segment", segmentPath};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(serverPath.c_str(), argv.data());
        ::_exit(127);
    }
    for (int i = 0; i < 100 && !Answering(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

ServerProcess::~ServerProcess() { Kill(); }

bool ServerProcess::Answering() const {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket_.c_str());
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

void ServerProcess::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace simulator::testing
