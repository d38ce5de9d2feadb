#pragma once
// The `nifb` server started as a separate process on a socket of its own, for end-to-end
// tests of the library and the program. Killed when the object goes.
#include <string>
#include <sys/types.h>
#include <vector>

namespace simulator::testing {

class ServerProcess {
public:
    // Starts `serverPath` serving `segmentPath` on `socketPath` (output to `logPath`) and
    // waits up to 5 s until it answers. Sets NIFB_SOCKET so the library finds it.
    ServerProcess(const std::string& serverPath, const std::string& socketPath, const std::string& segmentPath,
                  const std::string& logPath, const std::vector<std::string>& extraArgs = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool Answering() const;
    void Kill();  // SIGKILL and reap
    pid_t Pid() const { return pid_; }

private:
    std::string socket_;
    pid_t pid_ = -1;
};

}  // namespace simulator::testing
