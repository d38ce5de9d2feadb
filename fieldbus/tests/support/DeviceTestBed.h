#pragma once
// A positioner on the fake bus with a link, a notification window, the scripted Ui and the
// fake clock: what the device tests share.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeBus.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "platform/WindowMessages.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"

namespace fieldbus::testing {

class TestLink : public LinkContext {
public:
    nifDesc_t LinkDescriptor() const override { return link; }
    bool IsLinkHealthy() const override { return healthy; }
    platform::WindowHandle NotifyWindow() const override { return window; }
    nifDesc_t link = 0;
    bool healthy = true;
    platform::WindowHandle window = 0;
};

struct PostedMessage {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
};

class RecordingWindow : public platform::MessageTarget {
public:
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override { messages.push_back({msg, wParam, lParam}); }
    std::vector<PostedMessage> messages;
};

// Block numbers of the standard positioner.
enum StandardBlock { kRb, kTb, kAo, kDi1, kDi2, kPid, kSplt };

// RB, TB, AO, DI, DI, PID and output splitter, with the parameters the tests use.
FakeDevice StandardPositioner();
FakeBlock MakeBlock(const std::string& tag, uint8_t type, uint16_t profile, uint16_t startIndex);

class DeviceTestBed : public ::testing::Test {
protected:
    static constexpr int kSlot = 3;
    static constexpr const char* kDeviceId = "42524B0001-PX110-0001";
    static constexpr const char* kPdTag = "PT-101";

    void SetUp() override;
    void TearDown() override;
    // Adds `device` to the bus (the standard positioner when none was added) and binds the
    // device object to it.
    void AddDevice(FakeDevice device);
    // Opens and reads back the block tags; asserts success.
    void OpenStandard();
    // Puts AO, TB and PID of the standard positioner out of service (target and actual), so
    // that a configuration change needs no question and no mode change.
    void PutOutOfService();
    std::vector<PostedMessage> DeliverMessages();
    std::string ProgressText() const;
    size_t WritesOnBus() const { return bus->CountCalls(nifb::Op::WriteObject); }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    std::shared_ptr<FakeBus> bus;
    nifDesc_t session = 0;
    TestLink link;
    RecordingWindow window;
    FieldbusDevice device;
    int deviceNumber = -1;
};

}  // namespace fieldbus::testing
