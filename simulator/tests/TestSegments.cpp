#include "TestSegments.h"

namespace simulator::testing {

std::string SmallSegmentJson(int settleMs, const std::string& extra) {
    return R"({"name":"test","settleMs":)" + std::to_string(settleMs) + R"(,"responseTimeoutMs":4000,
      "interfaces":[{"name":"Interface0-0","description":"H1 LINK 0","devices":[
        {"kind":"positioner","family":"RPX","deviceType":1,"deviceRevision":2,"serial":"J0000010",
         "tag":"FV-101","address":20,"blockTagPrefix":"FV101")" + extra + R"(},
        {"kind":"positioner","family":"KPX","deviceType":7,"deviceRevision":2,"serial":"J0000006",
         "tag":"KV-201","address":21,"blockTagPrefix":"KV201","signature":false,"bootClass":"linkMaster"},
        {"kind":"transmitter","tag":"PT-301","address":22,"blockTagPrefix":"PT301"}]}]})";
}

}  // namespace simulator::testing
