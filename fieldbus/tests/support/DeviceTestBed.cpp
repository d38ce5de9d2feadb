#include "DeviceTestBed.h"

#include "fieldbus/BlockKind.h"
#include "fieldbus/MessageLog.h"

namespace fieldbus::testing {

FakeBlock MakeBlock(const std::string& tag, uint8_t type, uint16_t profile, uint16_t startIndex) {
    FakeBlock block;
    block.tag = tag;
    block.type = type;
    block.profile = profile;
    block.startIndex = startIndex;
    block.parameters = {{"ST_REV", BigEndianU16(1)}, {"TAG_DESC", TextField("")}, {"BLOCK_ERR", {0, 0}}};
    block.members["MODE_BLK.TARGET"] = {0x10};
    block.members["MODE_BLK.ACTUAL"] = {0x10};
    return block;
}

FakeDevice StandardPositioner() {
    FakeDevice device;
    device.id = "42524B0001-PX110-0001";
    device.pdTag = "PT-101";
    device.vendor = "Maker";
    device.model = "PX110";
    device.revision = "3";

    FakeBlock rb = MakeBlock("RB_1", NIF_RESOURCE_BLOCK, 0x0133, 400);
    rb.parameters.push_back({"MANUFAC_ID", BigEndianU32(0x42524B)});
    rb.parameters.push_back({"DEV_TYPE", BigEndianU16(1)});
    rb.parameters.push_back({"DEV_REV", {3}});
    rb.parameters.push_back({"DD_REV", {2}});
    rb.items["MANUFAC_ID"] = {{NIF_ITEM_ENUM, 0x42524B, "|en|Maker Inc"}};

    FakeBlock tb = MakeBlock("TB_1", NIF_TRANSDUCER_BLOCK, 0x8001, 2000);
    tb.parameters.push_back({"FINAL_VALUE", StatusFloat(0x80, 42.5f)});
    tb.parameters.push_back({"SPRING_RANGE", {}});
    tb.parameters.push_back({"DEV_OPTIONS", {0x80, 0x01}});
    tb.parameters.push_back({"ACTUATOR_TYPE", {1}});
    tb.parameters.push_back({"TEMPERATURE_UNIT", BigEndianU16(1001)});
    tb.parameters.push_back({"XD_CAL_WHO", TextField("  Smith  ")});
    tb.parameters.push_back({"SERVO_GAIN", BigEndianFloat(1.5f)});
    tb.members["FINAL_VALUE.VALUE"] = BigEndianFloat(42.5f);
    std::vector<uint8_t> spring = BigEndianFloat(30.0f);
    for (uint8_t b : BigEndianFloat(5.0f)) spring.push_back(b);
    for (uint8_t b : BigEndianU16(1141)) spring.push_back(b);
    spring.push_back(2);
    tb.parameters[4].bytes = spring;
    tb.items["ACTUATOR_TYPE"] = {{NIF_ITEM_ENUM, 1, "|en|  Single Acting|de|Einfachwirkend"},
                                 {NIF_ITEM_ENUM, 2, "|en|Double Acting|de|Doppeltwirkend"}};
    tb.items["TEMPERATURE_UNIT"] = {{NIF_ITEM_ENUM, 1001, "|en|degC"}, {NIF_ITEM_ENUM, 1002, "|en|degF"}};
    tb.items["DEV_OPTIONS"] = {{NIF_ITEM_BIT, 1u << 0, "|en|Link Master"},
                               {NIF_ITEM_BIT, 1u << 1, "|en|Signature"},
                               {NIF_ITEM_BIT, 1u << 15, "|en|Extended Servo"}};

    FakeBlock ao = MakeBlock("AO_1", NIF_FUNCTION_BLOCK, 0x0102, 5000);
    ao.parameters.push_back({"OUT", StatusFloat(0x80, 12.0f)});
    ao.parameters.push_back({"SP", StatusFloat(0x80, 11.0f)});
    ao.parameters.push_back({"IO_OPTS", {0, 0}});
    ao.members["OUT.VALUE"] = BigEndianFloat(12.0f);
    ao.members["SP.VALUE"] = BigEndianFloat(11.0f);

    FakeBlock di1 = MakeBlock("DI_1", NIF_FUNCTION_BLOCK, 0x0103, 6000);
    FakeBlock di2 = MakeBlock("DI_2", NIF_FUNCTION_BLOCK, 0x0103, 6100);

    FakeBlock pid = MakeBlock("PID_1", NIF_FUNCTION_BLOCK, 0x0108, 8000);
    pid.parameters.push_back({"FF_GAIN", BigEndianFloat(0.0f)});
    pid.members["OUT.VALUE"] = BigEndianFloat(0.0f);
    pid.members["SP.VALUE"] = BigEndianFloat(0.0f);

    FakeBlock splt = MakeBlock("OS_1", NIF_FUNCTION_BLOCK, 0x011C, 14000);

    device.blocks = {rb, tb, ao, di1, di2, pid, splt};
    device.mib["DEV_ID"] = TextField("42524B0001-PX110-0001");
    device.mib["FB_START_ENTRY.1"] = std::vector<uint8_t>(10, 0);
    device.mib["FB_START_ENTRY.2"] = std::vector<uint8_t>(10, 0);
    device.mib["FB_START_ENTRY.3"] = std::vector<uint8_t>(10, 0);
    device.mib["FB_START_ENTRY.4"] = std::vector<uint8_t>(10, 0);
    device.mib["DLME_BASIC_CHARACTERISTICS"] = {0x01, 0x04, 0x01, 0x10, 0x00, 0x20, 0x03};
    device.mib["PRIMARY_LINK_MASTER_FLAG"] = {0x00};
    return device;
}

void DeviceTestBed::SetUp() {
    bus = FakeBus::Install();
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "IF0", 0, &link.link), E_OK);
    link.window = platform::MessageDispatcher::Instance().Register(&window);
    device.SetLink(&link);
    MessageLog::Instance().Clear();
    ResetBlockIds();
}

void DeviceTestBed::TearDown() {
    device.CloseDevice();
    nifClose(session);
    FakeBus::Uninstall();
    platform::MessageDispatcher::Instance().Unregister(link.window);
    MessageLog::Instance().Clear();
    ResetBlockIds();
}

void DeviceTestBed::AddDevice(FakeDevice fake) {
    deviceNumber = bus->AddDevice(fake);
    device.BindSlot(kSlot, fake.id, fake.pdTag);
}

void DeviceTestBed::OpenStandard() {
    AddDevice(StandardPositioner());
    ASSERT_EQ(device.OpenDevice(), 0);
    ASSERT_EQ(device.ReadBackBlockTags(), 0);
    ui.Clear();
    bus->ClearCalls();
    DeliverMessages();
    MessageLog::Instance().Clear();
}

void DeviceTestBed::PutOutOfService() {
    for (int block : {kTb, kAo, kPid}) {
        FakeBlock& fake = bus->Device(deviceNumber).blocks[static_cast<size_t>(block)];
        fake.members["MODE_BLK.TARGET"] = {0x01};
        fake.members["MODE_BLK.ACTUAL"] = {0x01};
    }
}

std::vector<PostedMessage> DeviceTestBed::DeliverMessages() {
    window.messages.clear();
    platform::MessageDispatcher::Instance().DeliverPending();
    return window.messages;
}

std::string DeviceTestBed::ProgressText() const {
    return ui.Progress().empty() ? std::string() : ui.Progress().back()->text;
}

}  // namespace fieldbus::testing
