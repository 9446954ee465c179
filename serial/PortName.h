#pragma once

#include <cstdint>
#include <string>

namespace brenvik {

// Where udev puts a stable name for every USB serial adapter, named after its
// maker, product and serial number, so it survives replugging into another
// socket.
inline constexpr const char* kByIdFolder = "/dev/serial/by-id";

// What a port name typed or chosen by the operator asks to open: COM n by
// number, or a device path opened as it is.
struct PortName {
  uint32_t portNumber = 0;  // COM n, used when devicePath is empty; 0 is no port
  std::string devicePath;   // "/dev/ttyUSB0", a by-id path, a pseudo-terminal
  std::string text;         // the name as given, blanks trimmed, for messages
};

// Reads a port name the one way the window and the tools share. Blanks around
// it are ignored. "COMn" in any case is COM n; a text starting with "/" is a
// device path (a full by-id path is one); a name without a slash that is an
// entry of byIdFolder is that entry's path. Anything else is port 0, which no
// open accepts.
PortName ParsePortName(const std::string& text, const std::string& byIdFolder = kByIdFolder);

}  // namespace brenvik
