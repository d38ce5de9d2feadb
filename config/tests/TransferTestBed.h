#pragma once
// Configuration transfers against the simulated segment hosted in-process, on a manual
// simulation clock (time moves only while the bus is waited for) and the fake process clock.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "config/CConfigData.h"
#include "config/ConfigTransfer.h"
#include "fieldbus/FieldbusLink.h"
#include "platform/WindowMessages.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/SegmentBackend.h"

namespace configtest {

// The members a download does not write (identification, capabilities, totals, measurements,
// feedback angles), taken from `from`: what a configuration read back after a download holds.
void CopyNotDownloaded(const config::CConfigData& from, config::CConfigData& to);

class TransferTestBed : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the positioner with this tag; asserts success. Returns its slot.
    int Open(const std::string& tag);
    fieldbus::FieldbusDevice& Device(const std::string& tag);
    config::LinkIdentity Identity(const std::string& tag);
    // Sends a control command to the segment (silence, restartTime, ...).
    void Control(const std::string& json);
    // Runs `work` on the simulated device's block of that kind under the segment lock.
    void WithSimBlock(const std::string& tag, const std::string& kind, const std::function<void(simulator::Block&)>& work);
    float SimFloat(const std::string& tag, const std::string& kind, const std::string& name);

    // Runs a read or a download with the progress window closing at once.
    int Read(config::CConfigData& data, const std::string& tag, config::TransferOptions options = {});
    int Download(config::CConfigData& data, const std::string& tag, config::TransferOptions options = {});

    struct Sink : platform::MessageTarget {
        void OnMessage(unsigned, uintptr_t, intptr_t) override {}
    } sink;
    platform::WindowHandle window = platform::MessageDispatcher::Instance().Register(&sink);
    std::shared_ptr<simulator::SegmentBackend> backend;
    platform::testing::TempDir dir;
    platform::testing::FakeClock clock;
    platform::testing::ScriptedUi ui;
    fieldbus::FieldbusLink link;
    std::string lastProgress;
};

}  // namespace configtest
