#include "tools/StopSignalHandler.h"

#include <csignal>

namespace brenvik::tools {

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = [](int) { g_stopRequested = true; };
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  sigaction(SIGQUIT, &action, nullptr);
}

}  // namespace brenvik::tools
