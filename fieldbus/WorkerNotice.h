#pragma once
// Message boxes asked for by worker threads. A worker never shows a window itself: it queues
// the text here, and the box is shown on the user-interface thread when the posted
// notification is delivered.
#include <string>

namespace fieldbus {

// Queues an error box (stop icon, OK button) for the user-interface thread.
void ShowErrorFromWorker(const std::string& text);
// Queues a box with the given flags (OK button; the icon of `flags`).
void ShowMessageFromWorker(const std::string& text, int flags);

}  // namespace fieldbus
