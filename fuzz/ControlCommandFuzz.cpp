// Control commands of the simulated server (JSON text), served by a fresh segment, followed
// by a call that sees their effect.
#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSegment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzSegment segment = fuzz::OpenFuzzSegment();
    nifb::Request control;
    control.op = nifb::Op::Control;
    control.desc = segment.session;
    control.name.assign(reinterpret_cast<const char*>(data), size);
    segment.backend->Call(control);
    nifb::Request link;
    link.op = nifb::Op::OpenLink;
    link.desc = segment.session;
    link.arg = {1, 0, 0, 0};
    const nifb::Response opened = segment.backend->Call(link);
    if (opened.status != 0) return 0;
    nifb::Request device;
    device.op = nifb::Op::OpenPhysicalDevice;
    device.desc = opened.value[0];
    device.name = "KV-201";
    segment.backend->Call(device);
    return 0;
}
