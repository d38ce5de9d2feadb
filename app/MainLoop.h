#pragma once
// The end of both programs' main: shows the frame, runs the event loop, and closes the link
// without waiting for a server that stopped answering.
class CMainFrame;
namespace platform {
class QtUi;
}

namespace app {
int RunMainFrame(CMainFrame& frame, platform::QtUi& ui);
}
