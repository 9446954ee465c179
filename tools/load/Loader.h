#pragma once

#include <atomic>

#include "tools/load/LoadOptions.h"

namespace brenvik::load {

// Does what the options ask, --list-ports aside: opens the log, reads and
// hashes the files, then loads one device, or device after device with
// --repeat, until `stop` is set (by Ctrl-C, SIGTERM or SIGHUP). Status goes
// to standard output as the progress mode says, warnings and errors to
// standard error. With --check it only reads the files and prints a line
// each. Returns the exit code (ExitCode).
int RunLoader(const LoadOptions& options, const std::atomic<bool>& stop);

}  // namespace brenvik::load
