// A training segment's process swing keeps a controlling valve moving.
#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {

class ProcessSwingTest : public DeviceFixture {
protected:
    void SetUp() override { Load(SmallSegmentJson(0, R"(,"processSwing":{"amplitude":8,"periodSec":60})")); }
};

TEST_F(ProcessSwingTest, TheValveFollowsThePidBlockAsTheProcessSwings) {
    nifDesc_t vfd = OpenVfd("FV-101");
    std::vector<float> positions;
    for (int i = 0; i < 6; ++i) {
        Advance(5000);
        positions.push_back(ReadFloat(vfd, "FV101_TB.FINAL_POSITION_VALUE", 1));
    }
    float lowest = positions[0], highest = positions[0];
    for (float p : positions) {
        lowest = std::min(lowest, p);
        highest = std::max(highest, p);
    }
    EXPECT_GT(highest - lowest, 1.0f);
    EXPECT_GE(lowest, 0.0f);
    EXPECT_LE(highest, 100.0f);
}

TEST(ProcessSwingLoad, ARefusedSwingNamesTheProblem) {
    std::string error;
    auto segment = LoadSegment(SmallSegmentJson(0, R"(,"processSwing":{"amplitude":-1,"periodSec":60})"),
                               LoadOptions{}, error);
    EXPECT_FALSE(segment);
    EXPECT_NE(std::string::npos, error.find("processSwing"));
}

}  // namespace
}  // namespace simulator::testing
