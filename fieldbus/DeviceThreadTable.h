#pragma once
// The worker threads of an open device, in the order the view starts, stops and checks
// them, with their fixed parameters: period, posted message, record size and report texts.
#include <cstddef>
#include <cstdint>

#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/ViewRecords.h"

namespace fieldbus {

enum class DeviceThread { TbView3, AoView1, RbView1, PidView3, Di1View1, Di2View1, SpltView1, ProcessPoll };
inline constexpr int kDeviceThreadCount = 8;

struct DeviceThreadInfo {
    DeviceThread thread;
    unsigned message;           // posted to the notify window after each publish
    uint32_t periodMs;          // wait between reads (the process poll's is settable)
    size_t recordSize;          // bytes of the published record
    const char* abortText;      // reported when a view reader's first read fails
    const char* readErrorText;  // reported when a later read fails (process poll: per value)
    const char* aliveText;      // shown by AnyThreadAlive; nullptr: not shown
};

inline constexpr DeviceThreadInfo kDeviceThreads[kDeviceThreadCount] = {
    {DeviceThread::TbView3, WM_TBVIEW3_UPDATED, 1000, sizeof(TbView3Record), "TB View3 Aborted",
     "Error Reading TB View3", "TBView3Alive"},
    {DeviceThread::AoView1, WM_AOVIEW1_UPDATED, 2500, sizeof(RawRecord33), "AO View1 Aborted",
     "Error Reading AO View1", "AOView1Alive"},
    {DeviceThread::RbView1, WM_RBVIEW1_UPDATED, 3500, sizeof(RawRecord22), "RB View1 Aborted",
     "Error Reading RB View1", "RBView1Alive"},
    {DeviceThread::PidView3, WM_PIDVIEW3_UPDATED, 4500, sizeof(RawRecord83), "PID View3 Aborted",
     "Error Reading PID View3", "PIDView3Alive"},
    {DeviceThread::Di1View1, WM_DI1VIEW1_UPDATED, 5500, sizeof(RawRecord22), "DI View1 Aborted",
     "Error Reading DI1 View1", "DI1View1Alive"},
    {DeviceThread::Di2View1, WM_DI2VIEW1_UPDATED, 5500, sizeof(RawRecord22), "DI View2 Aborted",
     "Error Reading DI2 View1", "DI2View1Alive"},
    {DeviceThread::SpltView1, WM_SPLTVIEW1_UPDATED, 5500, sizeof(RawRecord28), "SPLT View1 Aborted",
     "Error Reading SPLT View1", nullptr},
    {DeviceThread::ProcessPoll, WM_PROCESS_POLLED, 850, sizeof(ProcessRecord), nullptr, nullptr,
     "ProcessPollAlive"},
};

inline constexpr size_t kLargestThreadRecord = sizeof(RawRecord83);

inline const DeviceThreadInfo& ThreadInfo(DeviceThread thread) { return kDeviceThreads[static_cast<int>(thread)]; }
inline bool IsViewReader(DeviceThread thread) { return thread != DeviceThread::ProcessPoll; }

// The process values: read-error text of each enable flag (index as ProcessChannel).
inline constexpr const char* kProcessReadErrorTexts[kProcessChannelCount] = {
    "Error Reading PID SP",          "Error Reading PID PV",          "Error Reading TB Final Value",
    "Error Reading TB Final Position Value", "Error Reading TB Out Pressure", "Error Reading TB Servo Output Signal"};

}  // namespace fieldbus
