#include "tools/StopSignalHandler.h"

#include <windows.h>

namespace brenvik::tools {
namespace {

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  g_stopRequested = true;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return TRUE;
    default:
      // The console closing, logoff or shutdown: the system ends the process
      // as soon as this returns (or after about five seconds). Waiting here
      // gives the main loop that time to stop the download and release the
      // port; its exit ends this thread with the process.
      Sleep(INFINITE);
      return TRUE;
  }
}

}  // namespace

void InstallStopHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace brenvik::tools
