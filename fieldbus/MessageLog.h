#pragma once
// The process-wide log of communication message lines ("Link Comm ..." and "Device <tag>
// ..."), appended by the link and the devices from any thread and drained by the main view.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace fieldbus {

class MessageLog {
public:
    static MessageLog& Instance();
    void Append(const std::string& line);
    // Removes and returns every queued line, oldest first.
    std::vector<std::string> Drain();
    std::vector<std::string> Peek() const;
    size_t Size() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
};

// The current local time as " @ %H:%M:%S".
std::string TimeStamp();
// "Device <tag> <text> @ %H:%M:%S\r\n": a line about one device, as the failures are logged.
std::string DeviceLine(const std::string& tag, const std::string& text);

}  // namespace fieldbus
