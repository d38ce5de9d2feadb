// The object dictionary a positioner offers: the parameters, sizes, members, views,
// device-description texts and management objects the program relies on.
#include <set>

#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {

class DictionaryTest : public DeviceFixture {};

TEST_F(DictionaryTest, ParametersOfThePositionerHaveTheirSizes) {
    nifDesc_t vfd = OpenVfd("KV-201");  // type 7 revision 2: link master type, extended servo
    struct Expect {
        const char* name;
        uint16_t size;
    };
    const Expect table[] = {
        {"KV201_RES.MANUFAC_ID", 4}, {"KV201_RES.DEV_TYPE", 2}, {"KV201_RES.DEV_REV", 1},
        {"KV201_RES.DD_REV", 1}, {"KV201_RES.RESTART", 1}, {"KV201_RES.VIEW_1", 22},
        {"KV201_RES.SOFTDWN_PROTECT", 1}, {"KV201_RES.SOFTDWN_ERROR", 2},
        {"KV201_TB.FINAL_VALUE", 5}, {"KV201_TB.FINAL_VALUE.VALUE", 4}, {"KV201_TB.FINAL_VALUE_RANGE", 11},
        {"KV201_TB.FINAL_VALUE_RANGE.EU_0", 4}, {"KV201_TB.SPRING_RANGE.UNITS_INDEX", 2},
        {"KV201_TB.POSITION_CHAR", 36}, {"KV201_TB.POSITION_CHAR_TYPE", 1}, {"KV201_TB.DEV_OPTIONS", 2},
        {"KV201_TB.XD_CAL_DATE", 7}, {"KV201_TB.ACT_MAN_ID", 4}, {"KV201_TB.MODEL", 32},
        {"KV201_TB.DEVIATION_TIME_TH", 8}, {"KV201_TB.BOOST_VALUE", 8}, {"KV201_TB.BOOST_VALUE.2", 4},
        {"KV201_TB.MEAS_SPRING_RANGE", 8}, {"KV201_TB.TEMPERATURE_UNIT", 2}, {"KV201_TB.ADVAL_FW", 2},
        {"KV201_TB.AUTO_TUNE_RESULT", 1}, {"KV201_TB.TRAVEL_CALIB_EXEC", 1}, {"KV201_TB.SIGN_DATA_X", 80},
        {"KV201_TB.SIGN_HEADER_DATA", 36}, {"KV201_TB.SIGN_MEAS_DATE", 7}, {"KV201_TB.STD_ACT_SIGN_SET", 12},
        {"KV201_TB.EXT_ACT_SIGN_SET", 24}, {"KV201_TB.STEP_RESP_SET", 16}, {"KV201_TB.POSITIONER_SIGN_SET", 20},
        {"KV201_TB.SIGN_MEAS_COUNTER", 2}, {"KV201_TB.SERVO_WARN_COUNT", 4}, {"KV201_TB.X_BOOST_VALUE", 8},
        {"KV201_TB.TOTAL_NEAR_CLOSE_TIM", 4},
        {"KV201_AO.VIEW_1", 33}, {"KV201_AO.PV_SCALE", 11}, {"KV201_AO.IO_OPTS", 2}, {"KV201_AO.READBACK", 5},
        {"KV201_PID.VIEW_3", 83}, {"KV201_PID.FF_VAL", 5}, {"KV201_PID.TRK_IN_D", 2}, {"KV201_PID.BYPASS", 1},
        {"KV201_PID.PV_SCALE.DECIMAL", 1}, {"KV201_DI1.VIEW_1", 22}, {"KV201_DI2.OUT_D.VALUE", 1},
        {"KV201_SPLT.VIEW_1", 28},
    };
    for (const Expect& e : table) EXPECT_EQ(SizeOf(vfd, e.name), e.size) << e.name;

    nifDesc_t mib = OpenMib("KV-201");
    EXPECT_EQ(SizeOf(mib, "DLME_BASIC_CHARACTERISTICS"), 7);
    EXPECT_EQ(SizeOf(mib, "CURRENT_LINK_SETTING"), 13);
    EXPECT_EQ(SizeOf(mib, "PRIMARY_LINK_MASTER_FLAG"), 1);
    EXPECT_EQ(SizeOf(mib, "BOOT_OPERAT_FUNCTIONAL_CLASS"), 1);
    EXPECT_EQ(SizeOf(mib, "MACROCYCLE_DURATION"), 4);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(SizeOf(mib, "FB_START_ENTRY." + std::to_string(n)), 10);
}

TEST_F(DictionaryTest, OptionalParametersAndBlocksFollowTheDeviceType) {
    nifDesc_t basic = OpenVfd("FV-101");  // type 1 revision 2
    int st = E_OK;
    Read(basic, "FV101_TB.SERVO_WARN_COUNT", &st);
    EXPECT_EQ(st, E_NOT_FOUND);
    Read(basic, "FV101_SPLT.VIEW_1", &st);
    EXPECT_EQ(st, E_NOT_FOUND);
    // Signature and PID options in DEV_OPTIONS: bit 0 PID, bit 1 signature (bit 0 is the
    // most significant bit of the first byte); the signature also sets the raw value 0x0002.
    EXPECT_EQ(Read(basic, "FV101_TB.DEV_OPTIONS"), (std::vector<uint8_t>{0xC0, 0x02}));
    EXPECT_EQ(Read(OpenVfd("KV-201"), "KV201_TB.DEV_OPTIONS"), (std::vector<uint8_t>{0x80, 0x00}));
}

TEST_F(DictionaryTest, NamesByIndexMatchTheObjectsByName) {
    nifDesc_t vfd = OpenVfd("FV-101");
    nifBlockInfo blocks[20];
    uint16_t n = 20;
    ASSERT_EQ(nifGetBlockList(vfd, 7, blocks, &n), E_OK);
    for (uint16_t b = 0; b < n; ++b) {
        std::string tag(blocks[b].blockTag, 32);
        tag.erase(tag.find_last_not_of(' ') + 1);
        std::set<std::string> seen;
        for (uint16_t rel = 1; rel <= blocks[b].numParameters; ++rel) {
            char name[64];
            ASSERT_EQ(nifGetObjectName(vfd, makeIndex(blocks[b].startIndex + rel), name, sizeof name), E_OK);
            EXPECT_TRUE(seen.insert(name).second) << tag << " has " << name << " twice";
            nifObjectType* t = nullptr;
            ASSERT_EQ(nifGetObjectType(vfd, (tag + "." + name).c_str(), &t), E_OK) << name;
            EXPECT_EQ(t->index, blocks[b].startIndex + rel) << name;
            nifFreeObjectType(t);
        }
    }
    // Member 1 of the block object is the block tag, 32 characters.
    auto header = Read(vfd, makeIndexSubindex(blocks[1].startIndex, 1));
    EXPECT_EQ(std::string(header.begin(), header.end()), "FV101_TB" + std::string(24, ' '));
}

TEST_F(DictionaryTest, TransducerView3HoldsTheMonitoredMembersFoundThroughTheBlockHeader) {
    for (const char* tag : {"FV-101", "KV-201"}) {
        nifDesc_t vfd = OpenVfd(tag);
        nifBlockInfo blocks[20];
        uint16_t n = 20;
        ASSERT_EQ(nifGetBlockList(vfd, NIF_TRANSDUCER_BLOCK, blocks, &n), E_OK);
        ASSERT_EQ(n, 1);
        bool lmType = std::string(tag) == "KV-201";
        // Link-master types start their views with VIEW_3; the others with VIEW_1, VIEW_2.
        uint16_t view3 = lmType ? blocks[0].startOfView1 : static_cast<uint16_t>(blocks[0].startOfView1 + 2);
        char name[64];
        ASSERT_EQ(nifGetObjectName(vfd, makeIndex(view3), name, sizeof name), E_OK);
        EXPECT_STREQ(name, "VIEW_3");
        nifObjectType* t = nullptr;
        ASSERT_EQ(nifGetObjectType(vfd, makeIndex(view3), &t), E_OK);
        EXPECT_EQ(t->objectCode, NIF_OC_VARLIST);
        std::set<std::string> members;
        uint32_t total = 0;
        for (uint16_t i = 0; i < t->numMembers; ++i) {
            ASSERT_EQ(nifGetObjectName(vfd, makeIndex(t->members[i].index), name, sizeof name), E_OK);
            members.insert(name);
            total += t->members[i].size;
        }
        EXPECT_EQ(total, t->size);
        for (const char* wanted : {"FINAL_VALUE", "FINAL_POSITION_VALUE", "ELECT_TEMP", "OUT_PRESSURE",
                                   "SERVO_OUTPUT_SIGNAL", "ST_REV", "MODE_BLK", "BLOCK_ERR", "TRANSDUCER_TYPE",
                                   "XD_ERROR", "ALARM_SUM"})
            EXPECT_TRUE(members.count(wanted)) << tag << " lacks " << wanted;
        nifFreeObjectType(t);
    }
}

TEST_F(DictionaryTest, EnumerationAndBitTextsCarryTheLanguageMarker) {
    nifDesc_t vfd = OpenVfd("FV-101");
    nifAttributes* a = nullptr;
    ASSERT_EQ(nifGetObjectAttributes(vfd, "FV101_TB.ACT_FAIL_ACTION", &a), E_OK);
    ASSERT_EQ(a->numItems, 2);
    EXPECT_EQ(a->items[0].value, 1u);
    EXPECT_STREQ(a->items[0].description, "|en|Air To Open|fr|Air pour ouvrir");
    nifFreeObjectAttributes(a);

    ASSERT_EQ(nifGetObjectAttributes(vfd, "FV101_TB.SPRING_RANGE.UNITS_INDEX", &a), E_OK);
    EXPECT_GT(a->numItems, 2);
    EXPECT_EQ(a->items[0].value, 1133u);
    nifFreeObjectAttributes(a);

    ASSERT_EQ(nifGetObjectAttributes(vfd, "FV101_PID.CONTROL_OPTS", &a), E_OK);
    ASSERT_EQ(a->numItems, 14);
    EXPECT_EQ(a->items[5].kind, NIF_ITEM_BIT);
    EXPECT_EQ(a->items[5].value, 1u << 5);
    EXPECT_STREQ(a->items[5].description, "|en|Direct acting");
    nifFreeObjectAttributes(a);

    ASSERT_EQ(nifGetObjectAttributes(vfd, "FV101_DI1.OUT_D.VALUE", &a), E_OK);
    EXPECT_EQ(a->numItems, 2);
    nifFreeObjectAttributes(a);

    // A result code names one outcome: the program shows the text of the code it reads.
    for (const char* name : {"FV101_TB.AUTO_TUNE_RESULT", "FV101_TB.SIGN_MEAS_RESULT", "FV101_TB.AUTO_TUNE_EXEC",
                             "FV101_TB.TRAVEL_CALIB_RESULT"}) {
        ASSERT_EQ(nifGetObjectAttributes(vfd, name, &a), E_OK) << name;
        std::set<uint32_t> values;
        for (int i = 0; i < a->numItems; ++i) {
            EXPECT_TRUE(values.insert(a->items[i].value).second) << name << " lists " << a->items[i].value << " twice";
        }
        nifFreeObjectAttributes(a);
    }
    ASSERT_EQ(nifGetObjectAttributes(vfd, "FV101_TB.AUTO_TUNE_RESULT", &a), E_OK);
    for (int i = 0; i < a->numItems; ++i) {
        if (a->items[i].value == 130) {
            EXPECT_STREQ(a->items[i].description, "|en|Error: supply pressure too low");
        }
    }
    nifFreeObjectAttributes(a);
}

TEST_F(DictionaryTest, ManagementAndLinkObjects) {
    nifDesc_t mib = OpenMib("KV-201");
    auto dlme = Read(mib, "DLME_BASIC_CHARACTERISTICS");
    EXPECT_EQ(dlme[2] & 0x03, 2);  // configured as link master
    auto link = Read(mib, "CURRENT_LINK_SETTING");
    EXPECT_EQ(link[4], 0x25);  // first unpolled node
    EXPECT_EQ(link[8], 0xBA);  // number of unpolled nodes
    auto entry = Read(mib, "FB_START_ENTRY.1");
    EXPECT_EQ((entry[4] << 8) | entry[5], 5000);  // AO first
    EXPECT_EQ(Read(OpenMib("FV-101"), "DLME_BASIC_CHARACTERISTICS")[2] & 0x03, 1);

    nifDesc_t vfd = OpenVfd("FV-101");
    auto pidIn = Read(vfd, makeIndex(30002));
    ASSERT_EQ(pidIn.size(), 8u);
    EXPECT_EQ((pidIn[0] << 8) | pidIn[1], 8015);  // PID IN fed over VCR 5
    int st = E_OK;
    Read(vfd, makeIndex(30020), &st);
    EXPECT_EQ(st, E_OBJECT_UNDEFINED);
}

}  // namespace
}  // namespace simulator::testing
