#pragma once
// What a device needs from the link it lives on. FieldbusLink implements it; tests may
// provide their own.
#include "nifb/nifb.h"
#include "platform/WindowMessages.h"

namespace fieldbus {

class LinkContext {
public:
    virtual ~LinkContext() = default;
    virtual nifDesc_t LinkDescriptor() const = 0;
    // Parameter access does no bus traffic while the live-list poll reports the link unhealthy.
    virtual bool IsLinkHealthy() const = 0;
    // The window that receives the link's and the devices' notifications (0 when none).
    virtual platform::WindowHandle NotifyWindow() const = 0;
};

// A link opened directly on the library (`link` from nifOpenLink), without the live-list
// poll: always healthy and without a notification window. Tools and tests bind devices to it
// by hand.
class DirectLink : public LinkContext {
public:
    nifDesc_t LinkDescriptor() const override { return link; }
    bool IsLinkHealthy() const override { return true; }
    platform::WindowHandle NotifyWindow() const override { return 0; }
    nifDesc_t link = 0;
};

}  // namespace fieldbus
