#pragma once

#include <atomic>
#include <csignal>

namespace brenvik::tools {

// Ctrl-C, SIGTERM and SIGHUP (the terminal or SSH session closed) only raise
// a flag; the program's own loop sees it, stops what it is doing and releases
// the port before it exits, rather than die with the port's exclusive flag
// left set.
// Lock-free, so the handler may set it on whichever thread takes the signal.
inline std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

inline void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = [](int) { g_stopRequested = true; };
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

}  // namespace brenvik::tools
