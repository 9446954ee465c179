// Windows: port names in the device namespace.

#include "serial/PortName.h"

namespace brenvik {
namespace {

// Only through this prefix does CreateFileA open COM10 and above.
constexpr const char* kDeviceNamespace = "\\\\.\\";

}  // namespace

const char* const kPortNameAdvice =
    "give COM1 or above, as Device Manager lists them under Ports (COM & LPT)";

bool IsDevicePath(const std::string& text) {
  return text.size() > 4 && text.rfind(kDeviceNamespace, 0) == 0;
}

std::string DisplayPortName(const std::string& devicePath) {
  return IsDevicePath(devicePath) ? devicePath.substr(4) : devicePath;
}

std::string ComPortPath(uint32_t portNumber) {
  if (portNumber == 0) return {};
  return kDeviceNamespace + std::string("COM") + std::to_string(portNumber);
}

}  // namespace brenvik
