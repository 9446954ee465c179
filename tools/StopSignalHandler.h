#pragma once

#include <atomic>

namespace brenvik::tools {

// Ctrl-C and the system's other polite stops only raise a flag; the program's
// own loop sees it, stops what it is doing and releases the port before it
// exits, rather than die with the port left held.
// Lock-free, so the handler may set it on whichever thread takes the stop.
inline std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Linux: SIGINT, SIGTERM, SIGHUP (the terminal or SSH session closed) and
// SIGQUIT (Ctrl-\), which would otherwise end the program with the port held.
// Windows: Ctrl-C, Ctrl-Break, the console closed, logoff and shutdown.
void InstallStopHandlers();

}  // namespace brenvik::tools
