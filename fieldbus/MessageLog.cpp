#include "fieldbus/MessageLog.h"

#include <ctime>

namespace fieldbus {

MessageLog& MessageLog::Instance() {
    static MessageLog log;
    return log;
}

void MessageLog::Append(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
}

std::vector<std::string> MessageLog::Drain() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out(lines_.begin(), lines_.end());
    lines_.clear();
    return out;
}

std::vector<std::string> MessageLog::Peek() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {lines_.begin(), lines_.end()};
}

size_t MessageLog::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

void MessageLog::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

std::string TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, " @ %H:%M:%S", &local);
    return buffer;
}

std::string DeviceLine(const std::string& tag, const std::string& text) {
    return "Device " + tag + " " + text + TimeStamp() + "\r\n";
}

}  // namespace fieldbus
