// The device's view readers and process poll: the operations of the device interface over
// DeviceThreads, the reads the workers make, and the device report lines.
#include <mutex>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/StatusLog.h"
#include "fieldbus/WorkerNotice.h"

namespace fieldbus {

// The reads of the workers, on the worker threads. Every read works in buffers of its own call,
// so a worker abandoned in a slow read and the worker started after it never share one. The
// AO and PID images have their floats converted under a lock of each reader's own.
class FieldbusDeviceThreadHost : public DeviceThreadHost {
public:
    explicit FieldbusDeviceThreadHost(FieldbusDevice& device) : device_(device) {}

    int ReadView(DeviceThread thread, uint8_t* image) override {
        switch (thread) {
            case DeviceThread::TbView3: {
                TbView3Record record{};
                std::string error;
                const int result = device_.ReadTbView3(record, error);
                if (!error.empty()) ShowErrorFromWorker(error);
                if (result != 0) return 1;
                std::memcpy(image, &record, sizeof record);
                return 0;
            }
            case DeviceThread::AoView1: {
                RawRecord33 raw{};
                if (device_.ReadAoView1(raw) != 0) return 1;
                std::lock_guard<std::mutex> lock(aoConvertLock_);
                ConvertViewFloats(raw.data(), raw.size(), kAoView1FloatOffsets, std::size(kAoView1FloatOffsets));
                std::memcpy(image, raw.data(), raw.size());
                return 0;
            }
            case DeviceThread::PidView3: {
                RawRecord83 raw{};
                if (device_.ReadPidView3(raw) != 0) return 1;
                std::lock_guard<std::mutex> lock(pidConvertLock_);
                ConvertViewFloats(raw.data(), raw.size(), kPidView3FloatOffsets, std::size(kPidView3FloatOffsets));
                std::memcpy(image, raw.data(), raw.size());
                return 0;
            }
            case DeviceThread::RbView1: {
                RawRecord22 raw{};
                return Copy(device_.ReadRbView1(raw), raw, image);
            }
            case DeviceThread::Di1View1: {
                RawRecord22 raw{};
                return Copy(device_.ReadDi1View1(raw), raw, image);
            }
            case DeviceThread::Di2View1: {
                RawRecord22 raw{};
                return Copy(device_.ReadDi2View1(raw), raw, image);
            }
            case DeviceThread::SpltView1: {
                RawRecord28 raw{};
                return Copy(device_.ReadSpltView1(raw), raw, image);
            }
            case DeviceThread::ProcessPoll: break;
        }
        return 1;
    }

    int ReadProcessValue(ProcessChannel channel, uint8_t& status, float& value) override {
        StatusValue sv;
        int result = 1;
        switch (channel) {
            case kChannelPidSp: result = device_.ReadPidSp(sv); break;
            case kChannelPidPv: result = device_.ReadPidPv(sv); break;
            case kChannelFinalValue: result = device_.ReadTbFinalValue(sv); break;
            case kChannelFinalPositionValue: result = device_.ReadTbFinalPositionValue(sv); break;
            case kChannelOutPressure: return device_.ReadTbOutPressure(value);
            case kChannelServoOutputSignal: return device_.ReadTbServoOutputSignal(value);
            default: return 1;
        }
        if (result != 0) return 1;
        status = sv.status;
        value = sv.value;
        return 0;
    }

    void ReportText(const std::string& text) override { device_.ReportText(text); }
    int GetSlot() const override { return device_.GetSlot(); }

private:
    template <size_t N>
    static int Copy(int result, const std::array<uint8_t, N>& raw, uint8_t* image) {
        if (result != 0) return 1;
        std::memcpy(image, raw.data(), N);
        return 0;
    }

    FieldbusDevice& device_;
    std::mutex aoConvertLock_;
    std::mutex pidConvertLock_;
};

std::unique_ptr<DeviceThreadHost> FieldbusDevice::MakeThreadHost(FieldbusDevice& device) {
    return std::make_unique<FieldbusDeviceThreadHost>(device);
}

#define FIELDBUS_DEFINE_VIEW_READER(X, Record)                                                     \
    int FieldbusDevice::Start##X(platform::WindowHandle notify) {                                  \
        return threads_->Start(DeviceThread::X, notify);                                           \
    }                                                                                              \
    void FieldbusDevice::Stop##X() { threads_->Stop(DeviceThread::X); }                           \
    int FieldbusDevice::Get##X(Record& record) {                                                   \
        return threads_->GetRecord(DeviceThread::X, &record, sizeof record);                       \
    }                                                                                              \
    void FieldbusDevice::RequestRefresh##X(bool flag) { threads_->RequestRefresh(DeviceThread::X, flag); } \
    bool FieldbusDevice::Is##X##Ended() { return threads_->IsEnded(DeviceThread::X); }
FIELDBUS_VIEW_READERS(FIELDBUS_DEFINE_VIEW_READER)
#undef FIELDBUS_DEFINE_VIEW_READER

int FieldbusDevice::StartProcessPoll(platform::WindowHandle notify) {
    return threads_->Start(DeviceThread::ProcessPoll, notify);
}

void FieldbusDevice::StopProcessPoll() { threads_->Stop(DeviceThread::ProcessPoll); }

int FieldbusDevice::GetProcessPoll(ProcessRecord& record) {
    return threads_->GetRecord(DeviceThread::ProcessPoll, &record, sizeof record);
}

bool FieldbusDevice::IsProcessPollEnded() { return threads_->IsEnded(DeviceThread::ProcessPoll); }

void FieldbusDevice::SetProcessChannels(const ProcessChannels& channels) { threads_->SetProcessChannels(channels); }

void FieldbusDevice::SetProcessPollPeriod(uint32_t ms) { threads_->SetPeriod(DeviceThread::ProcessPoll, ms); }

int FieldbusDevice::StartProcessPollIfIdle(platform::WindowHandle notify) {
    return threads_->StartProcessPollIfIdle(notify);
}

int FieldbusDevice::AnyThreadAlive() { return threads_->AnyThreadAlive(); }

bool FieldbusDevice::RefreshRequested(DeviceThread thread) const { return threads_->RefreshRequested(thread); }

void FieldbusDevice::SetThreadPeriod(DeviceThread thread, uint32_t ms) { threads_->SetPeriod(thread, ms); }

void FieldbusDevice::SetThreadStopLimit(uint32_t ms) { threads_->SetStopLimit(ms); }

// "Device <tag> <text>  @ hh:mm:ss\r\n" (the time stamp brings its own leading blank).
void FieldbusDevice::ReportText(const std::string& text) {
    MessageLog::Instance().Append("Device " + Tag() + " " + text + " " + TimeStamp() + "\r\n");
    platform::PostMessage(NotifyWindow(), WM_DEVICE_MESSAGE, static_cast<uintptr_t>(GetSlot()), 0);
}

void FieldbusDevice::ReportLibraryError(int code) { ReportStatus(code); }

// Every worker is stopped before the descriptors close; the transducer view's layout is
// learned again at the next open, since the slot may then hold another device.
void FieldbusDevice::StopDeviceThreads() {
    threads_->StopAll();
    tbLayoutStale_ = true;
}

void FieldbusDevice::StopViewReaders() { threads_->StopViewReaders(); }

void FieldbusDevice::EndDeviceThreads() { threads_->EndAll(); }

}  // namespace fieldbus
