#pragma once
// What the README's picture tools share: the default simulated segment hosted in the tool's
// own process with its clock running, its link opened, a device opened from it, a user who
// answers every question Yes, and a wait that keeps serving the windows.
#include <cstdint>
#include <functional>
#include <string>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "platform/ui/QtUi.h"

class QWidget;

namespace fieldbus::screens {

// Answers Yes to every Yes/No question and OK to every other box; with `echo` the text of a
// box that is not a question goes to standard error, so a tool shows why it stopped.
class YesUi : public platform::QtUi {
public:
    explicit YesUi(bool echo = false) : echo_(echo) {}
    int MessageBox(const std::string& text, const std::string& caption, int flags) override;

private:
    bool echo_;
};

class ScreenSegment {
public:
    // Hosts the default segment at `speed` times the wall clock and opens its first link.
    explicit ScreenSegment(double speed = 1.0);
    ~ScreenSegment();
    ScreenSegment(const ScreenSegment&) = delete;
    ScreenSegment& operator=(const ScreenSegment&) = delete;

    // Empty when the segment serves; else why not (also written to standard error).
    const std::string& Error() const { return error_; }
    // Binds `device` to the positioner with PD tag `tag` and opens it with its block tags;
    // with `outOfService` it then takes it out of service. False when any step fails.
    bool Open(FieldbusDevice& device, const std::string& tag, bool outOfService = false);
    LinkContext& Link() { return link_; }

private:
    nifDesc_t session_ = 0;
    DirectLink link_;
    std::string error_;
};

// When `window` is a message box: prints its text, presses Yes (else OK) and says true.
bool PressYes(QWidget* window);

// Serves the windows' events for `ms`, or until `done` says so.
void Wait(int ms, const std::function<bool()>& done = {});

}  // namespace fieldbus::screens
