#pragma once

#include <string>
#include <vector>

namespace brenvik {

// Why the device at `path` would not open, from the system's error number of
// the step that failed, as one line a person can act on:
//   "/dev/ttyUSB0: no such device; ..."            ENOENT, ENODEV, ENXIO
//   "/dev/ttyUSB0: permission denied; ..."         EACCES, EPERM, with the fix
//   "/dev/ttyUSB0: in use by minicom (process 1234); ..."   EBUSY, EWOULDBLOCK
//   "/tmp/x: not a serial device (a plain file); ..."       ENOTTY, EISDIR
//   "/dev/ttyUSB0: Input/output error"             anything else
// Call it once the failed attempt's own descriptor is closed, or this process
// is named as a holder of the device.
std::string OpenFailureCause(const std::string& path, int error);

// The cause when the device took the open but not the line settings.
std::string SettingsRefusedCause(const std::string& path);

// The programs that hold the character device at `path` open, found through
// /proc, each as "minicom (process 1234)"; empty when /proc tells of none
// (another user's processes stay hidden to a plain user).
std::vector<std::string> ProgramsHolding(const std::string& path);

}  // namespace brenvik
