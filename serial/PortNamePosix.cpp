// Linux: port names as device paths under /dev.

#include "serial/PortName.h"

namespace brenvik {

const char* const kPortNameAdvice =
    "give COM1 or above, a device path such as /dev/ttyUSB0, or a name from /dev/serial/by-id";

bool IsDevicePath(const std::string& text) { return !text.empty() && text.front() == '/'; }

std::string DisplayPortName(const std::string& devicePath) { return devicePath; }

std::string ComPortPath(uint32_t portNumber) {
  if (portNumber == 0) return {};
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

}  // namespace brenvik
