// The static-revision check against another client that changes the device.
#include <gtest/gtest.h>

#include "TransferTestBed.h"
#include "config/StaticRevisions.h"
#include "nifb/nifb.h"

using config::CConfigData;

namespace configtest {
namespace {

class StaticRevisionsTest : public TransferTestBed {
protected:
    // Another program writes a float on the device through a session of its own.
    void WriteFromAnotherClient(const std::string& object, float value) {
        nifDesc_t session = 0, linkDesc = 0, device = 0, vfd = 0;
        ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
        ASSERT_EQ(E_OK, nifOpenLink(session, 0, "Interface0-0", 0, &linkDesc));
        ASSERT_EQ(E_OK, nifOpenPhysicalDevice(linkDesc, NIF_BY_TAG, "FV-101", &device));
        ASSERT_EQ(E_OK, nifOpenVfd(device, makeIndex(0), &vfd));
        uint8_t wire[4];
        values::ValueCodec::Instance().ReverseBytes(std::memcpy(wire, &value, 4), 4);
        EXPECT_EQ(E_OK, nifWriteObject(vfd, object.c_str(), wire, 4));
        nifClose(session);
    }
};

TEST_F(StaticRevisionsTest, AChangeByAnotherClientMarksExactlyTheGroupsOfItsBlock) {
    CConfigData data;
    fieldbus::FieldbusDevice& device = Device("FV-101");
    ASSERT_EQ(0, Read(data, "FV-101"));
    EXPECT_EQ(0, config::RefreshIfChanged(data, device));  // nothing changed: no question
    EXPECT_TRUE(ui.Messages().empty());

    WriteFromAnotherClient("FV101_AO.SP_HI_LIM", 80.0f);
    ui.Answer(platform::IDNO, "Some static parameter has changed since last update, update now ?");
    EXPECT_EQ(0, config::RefreshIfChanged(data, device));
    std::array<uint32_t, config::StaleGroupCount> expected{};
    expected[config::StaleGeneral] = 1;
    expected[config::StaleAoBlock] = 1;
    EXPECT_EQ(expected, data.groupStaleFlags);
    EXPECT_EQ(100.0f, data.ao.spHighLimit);

    // Asked again (the marks stay until the groups are read), Yes reads them.
    ui.Answer(platform::IDYES);
    EXPECT_EQ(0, config::RefreshIfChanged(data, device));
    EXPECT_EQ((std::array<uint32_t, config::StaleGroupCount>{}), data.groupStaleFlags);
    EXPECT_EQ(80.0f, data.ao.spHighLimit);
}

}  // namespace
}  // namespace configtest
