#include "TransferTestBed.h"

#include <chrono>
#include <thread>

#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "simulator/InProcessSegment.h"

namespace configtest {

namespace {

// FV-101 and FV-103 are alike; FV-102 has the extended servo parameters, a splitter and can be
// link master; KV-202 has no PID block and an AO IO_OPTS with a bit it does not support.
const char* kSegment = R"({"name":"transfer","settleMs":0,"responseTimeoutMs":200,"interfaces":[{"name":"Interface0-0","devices":[
  {"family":"RPX","deviceType":1,"deviceRevision":2,"serial":"A1","tag":"FV-101","address":20,"blockTagPrefix":"FV101"},
  {"family":"RPX","deviceType":1,"deviceRevision":2,"serial":"A3","tag":"FV-103","address":21,"blockTagPrefix":"FV103"},
  {"family":"RPX","deviceType":7,"deviceRevision":2,"serial":"A2","tag":"FV-102","address":22,"blockTagPrefix":"FV102","restartMs":300},
  {"family":"KPX","deviceType":7,"deviceRevision":1,"serial":"K2","tag":"KV-202","address":23,"blockTagPrefix":"KV202","pid":false,"aoInvert":true}]}]})";

}  // namespace

void TransferTestBed::SetUp() {
    simulator::LoadOptions options;
    options.manualClock = true;
    std::string error;
    backend = simulator::UseInProcessSegment(kSegment, options, error);
    ASSERT_TRUE(backend) << error;
    link.SetPollPeriodMs(50);
    link.SetNotifyWindow(window);
    ASSERT_EQ(0, link.ScanLink());
    link.StartLivePoll(window);
    for (int i = 0; i < 1000 && !link.IsLinkHealthy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(link.IsLinkHealthy());
}

void TransferTestBed::TearDown() {
    link.CloseLink();
    nifUseServer();
    platform::MessageDispatcher::Instance().Unregister(window);
    platform::MessageDispatcher::Instance().DeliverPending();
    fieldbus::MessageLog::Instance().Clear();
}

int TransferTestBed::Open(const std::string& tag) {
    for (int item = 1; item < link.DisplayItemCount(); ++item) {
        const int slot = link.ItemDevIndexMap(item);
        if (link.GetTag(slot) != tag) continue;
        EXPECT_EQ(0, link.OpenDevice(slot)) << tag;
        return slot;
    }
    ADD_FAILURE() << "no device " << tag;
    return -1;
}

fieldbus::FieldbusDevice& TransferTestBed::Device(const std::string& tag) {
    const int slot = Open(tag);
    return link.Device(slot < 0 ? 1 : slot);
}

config::LinkIdentity TransferTestBed::Identity(const std::string& tag) {
    return config::IdentityOnLink(link, Open(tag));
}

void TransferTestBed::Control(const std::string& json) {
    std::string answer;
    ASSERT_EQ(E_OK, backend->GetSegment().Control(json, answer)) << answer;
}

void TransferTestBed::WithSimBlock(const std::string& tag, const std::string& kind,
                                   const std::function<void(simulator::Block&)>& work) {
    backend->GetSegment().WithDevice(tag, [&](simulator::Device* device) {
        ASSERT_NE(device, nullptr) << tag;
        simulator::Block* block = device->BlockByKind(kind);
        ASSERT_NE(block, nullptr) << tag << " " << kind;
        work(*block);
    });
}

float TransferTestBed::SimFloat(const std::string& tag, const std::string& kind, const std::string& name) {
    float value = 0;
    WithSimBlock(tag, kind, [&](simulator::Block& b) { value = b.GetFloat(name); });
    return value;
}

int TransferTestBed::Read(config::CConfigData& data, const std::string& tag, config::TransferOptions options) {
    options.waitForClose = false;
    config::ConfigTransfer transfer(data, &Device(tag), Identity(tag), options);
    const int result = transfer.ReadConfiguration();
    lastProgress = transfer.ProgressText();
    return result;
}

int TransferTestBed::Download(config::CConfigData& data, const std::string& tag, config::TransferOptions options) {
    options.waitForClose = false;
    fieldbus::FieldbusDevice& device = Device(tag);
    if (config::PrepareDeviceForDownload(device) != 0) return 1;
    config::ConfigTransfer transfer(data, &device, Identity(tag), options);
    const int result = transfer.DownloadConfiguration();
    lastProgress = transfer.ProgressText();
    return result;
}

void CopyNotDownloaded(const config::CConfigData& from, config::CConfigData& to) {
    config::GeneralGroup g = from.general;
    g.resourceDescription = to.general.resourceDescription;
    g.servoTuningInfo = to.general.servoTuningInfo;
    g.valveModel = to.general.valveModel;
    g.valveSerialNumber = to.general.valveSerialNumber;
    g.valveManufacturer = to.general.valveManufacturer;
    g.actuatorModel = to.general.actuatorModel;
    g.actuatorSerialNumber = to.general.actuatorSerialNumber;
    g.actuatorManufacturer = to.general.actuatorManufacturer;
    g.calibrationPerson = to.general.calibrationPerson;
    g.calibrationLocation = to.general.calibrationLocation;
    g.calibrationDate = to.general.calibrationDate;
    to.general = g;
    to.position.thetaHi = from.position.thetaHi;
    to.position.thetaLo = from.position.thetaLo;
    to.position.thetaP = from.position.thetaP;
    to.position.controlDirection = from.position.controlDirection;
    to.position.controlDirectionText = from.position.controlDirectionText;
    const config::ActuatorGroup written = to.actuator;
    to.actuator = from.actuator;
    to.actuator.valveAction = written.valveAction;
    to.actuator.valveType = written.valveType;
    to.actuator.travelLimit = written.travelLimit;
    to.actuator.cycleCountLimit = written.cycleCountLimit;
    to.actuator.openTimeLimit = written.openTimeLimit;
    to.actuator.closeTimeLimit = written.closeTimeLimit;
    to.actuator.nearCloseTimeLimit = written.nearCloseTimeLimit;
    to.actuator.internalGain = written.internalGain;
}

}  // namespace configtest
