#pragma once

#include <string>

namespace brenvik {

// Why the device at `path` would not open, from the system's error code of the
// step that failed (errno on Linux, GetLastError on Windows), as one line a
// person can act on. On Linux:
//   "/dev/ttyUSB0: no such device; ..."            ENOENT, ENODEV, ENXIO
//   "/dev/ttyUSB0: permission denied; ..."         EACCES, EPERM, with the fix
//   "/dev/ttyUSB0: in use by minicom (process 1234); ..."   EBUSY, EWOULDBLOCK
//   "/tmp/x: not a serial device (a plain file); ..."       ENOTTY, EISDIR
//   "/dev/ttyUSB0: Input/output error"             anything else
// On Windows, where the port is named without its "\\.\" prefix:
//   "COM5: no such port; ... Device Manager ..."   file or path not found
//   "COM5: in use by another program; ..."         access denied, sharing violation
//   "COM5: <the system's message>"                 anything else
// On Linux call it once the failed attempt's own descriptor is closed, or this
// process is named as a holder of the device.
std::string OpenFailureCause(const std::string& path, int error);

// The cause when the device took the open but not the line settings.
std::string SettingsRefusedCause(const std::string& path);

// The system's own words for one of its error codes (strerror, FormatMessage),
// without a line end.
std::string SystemMessage(int error);

}  // namespace brenvik
