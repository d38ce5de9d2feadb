// Object-dictionary lookups, link objects, the device summary and the name tables.
#include <gtest/gtest.h>

#include "fieldbus/ObjectDictionaryNames.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {
namespace {

using nifb::Op;

class DeviceDictionaryTest : public DeviceTestBed {
protected:
    void SetUp() override {
        DeviceTestBed::SetUp();
        FakeDevice fake = StandardPositioner();
        FakeBlock& tb = fake.blocks[kTb];
        tb.parameters.push_back({"  POSITION_CHAR ", std::vector<uint8_t>(36, 0)});
        nifb::TypeInfo array;
        array.objectCode = NIF_OC_ARRAY;
        array.dataType = NIF_DT_FLOAT;
        array.size = 36;
        array.members.assign(9, nifTypeMember{0, NIF_OC_SIMPLE, NIF_DT_FLOAT, 4});
        tb.types["  POSITION_CHAR "] = array;
        nifb::TypeInfo record;
        record.objectCode = NIF_OC_RECORD;
        record.dataType = 68;
        record.size = 5;
        record.members = {{0, NIF_OC_SIMPLE, NIF_DT_UINT8, 1}, {0, NIF_OC_SIMPLE, NIF_DT_FLOAT, 4}};
        tb.types["FINAL_VALUE"] = record;
        fake.blocks[kAo].parameters.push_back({"LINK", {0x12, 0x34, 0x00, 0x05, 0xAB, 0xCD, 0x02, 0x03}});
        AddDevice(fake);
        ASSERT_EQ(device.OpenDevice(), 0);
        ui.Clear();
    }
};

TEST_F(DeviceDictionaryTest, ParameterNamesByIndexAreTrimmed) {
    EXPECT_EQ(device.GetParameterName(kTb, 4), "FINAL_VALUE");
    EXPECT_EQ(device.GetParameterName(kTb, 11), "POSITION_CHAR");
    EXPECT_EQ(device.GetParameterName(kTb, 99), "");
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Failed to get parameter name for device PT-101 !"});

    std::vector<std::string> names;
    ASSERT_EQ(device.GetParameterNames(kRb, names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"ST_REV", "TAG_DESC", "BLOCK_ERR", "MANUFAC_ID", "DEV_TYPE", "DEV_REV",
                                               "DD_REV"}));
}

TEST_F(DeviceDictionaryTest, ObjectCodesAndDataTypesAreNamed) {
    std::string text;
    ASSERT_EQ(device.GetObjectCode(kTb, 11, text), 0);
    EXPECT_EQ(text, "Array");
    ASSERT_EQ(device.GetDataType(kTb, 11, text), 0);
    EXPECT_EQ(text, "Float[9]");
    ASSERT_EQ(device.GetObjectCode(kTb, 4, text), 0);
    EXPECT_EQ(text, "Record");
    ASSERT_EQ(device.GetDataType(kTb, 4, text), 0);
    EXPECT_EQ(text, "UINT8[1] Float[2]");
    uint16_t size = 0;
    ASSERT_EQ(device.GetObjectSize(kTb, 4, 0, size), 0);
    EXPECT_EQ(size, 5);

    bus->FailNext(Op::GetObjectType, E_OBJECT_UNDEFINED);
    EXPECT_EQ(device.GetObjectCode(kTb, 4, text), 1);
    EXPECT_EQ(device.GetObjectSize(kTb, 99, 0, size), 1);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Error: Failed to get parameter object code for device PT-101 !",
                                                    "Error: Failed to get the object size."}));
    EXPECT_TRUE(device.IsOpen());
}

TEST_F(DeviceDictionaryTest, NameTables) {
    EXPECT_EQ(ObjectCodeName(2), "Domain");
    EXPECT_EQ(ObjectCodeName(7), "Simple Variable");
    EXPECT_EQ(ObjectCodeName(10), "Variable List");
    EXPECT_EQ(ObjectCodeName(1), "");
    EXPECT_EQ(ObjectCodeName(11), "");
    EXPECT_EQ(DataTypeName(1), "Boolean");
    EXPECT_EQ(DataTypeName(8), "Float");
    EXPECT_EQ(DataTypeName(14), "BString");
    EXPECT_EQ(DataTypeName(21), "TValue");
    EXPECT_EQ(DataTypeName(15), "");
    EXPECT_EQ(DataTypeName(0), "");
}

TEST_F(DeviceDictionaryTest, LinkObjectsAreReadConvertedAndCleared) {
    LinkObject link;
    ASSERT_EQ(device.ReadLinkObject(5007, link), 0);
    EXPECT_EQ(link.localIndex, 0x1234);
    EXPECT_EQ(link.vcrNumber, 5);
    EXPECT_EQ(link.remoteIndex, 0xABCD);
    EXPECT_EQ(link.serviceOperation, 2);
    EXPECT_EQ(link.staleCountLimit, 3);
    ASSERT_EQ(device.ClearLinkObject(5007), 0);
    EXPECT_EQ(bus->Device(deviceNumber).blocks[kAo].parameters[6].bytes, std::vector<uint8_t>(8, 0));

    EXPECT_EQ(device.ReadLinkObject(5999, link), 1);
    EXPECT_EQ(device.ClearLinkObject(5999), 1);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Error: Failed to read the linkage object.",
                                                    "Error: Failed to clear the linkage object."}));
}

TEST_F(DeviceDictionaryTest, AttributesNeedAnOpenDevice) {
    ObjectAttributes attributes;
    ASSERT_EQ(device.GetObjectAttributes(kTb, "ACTUATOR_TYPE", attributes), 0);
    EXPECT_EQ(attributes.items.size(), 2u);
    device.CloseDevice();
    EXPECT_EQ(device.GetObjectAttributes(kTb, "ACTUATOR_TYPE", attributes), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Device not open."});
}

TEST_F(DeviceDictionaryTest, SummaryListsIdentificationAndBlocks) {
    bus->Device(deviceNumber).blocks[kTb].parameters[1].bytes = TextField("Main valve");
    std::string summary;
    ASSERT_EQ(device.GetDeviceSummary(summary), 0);
    EXPECT_EQ(summary.rfind("RB.MANUFAC_ID=42524b\r\nRB.DEV_TYPE=1\r\nRB.DEV_REV=3\r\nRB.DD_REV=2\r\n"
                            "(MIB) DEV_ID=42524B0001-PX110-0001\r\n(By FMS Identify) Vendor=Maker\r\n"
                            "(By FMS Identify) Model=PX110\r\n(By FMS Identify) Revision=3\r\n",
                            0),
              0u)
        << summary;
    EXPECT_NE(summary.find("TB Tag=TB_1\r\nTB.TAG_DESC=Main valve\r\n"), std::string::npos);
    EXPECT_NE(summary.find("SPLT Tag=OS_1\r\n"), std::string::npos);

    std::vector<std::string> blocks;
    ASSERT_EQ(device.GetBlockList(blocks), 0);
    ASSERT_EQ(blocks.size(), 7u);
    EXPECT_EQ(blocks[2], "AO_1 (2)");
}

}  // namespace
}  // namespace fieldbus::testing
