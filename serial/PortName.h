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
// it are ignored. "COMn" in any case is COM n; a device path of this platform
// (IsDevicePath) or any name with a "/" in it is opened as it is (a full by-id
// path is one, and so is "./ttyX"); a name without a slash that is an entry
// of byIdFolder is that entry's path. Anything else is port 0, which no open
// accepts.
PortName ParsePortName(const std::string& text, const std::string& byIdFolder = kByIdFolder);

// Whether a trimmed port name is a path to a device on this platform: one
// starting with "/" on Linux, one in the device namespace ("\\.\COM5",
// "\\.\CNCA0") on Windows.
bool IsDevicePath(const std::string& text);

// The device COM n is on this platform: "/dev/ttyS<n-1>" on Linux, where the
// first COM port is ttyS0, and "\\.\COMn" on Windows, which opens COM10
// and above as well as COM1; empty for 0.
std::string ComPortPath(uint32_t portNumber);

// What to open for a parsed name: its device path, else COM n's device;
// empty for port 0.
std::string PortPath(const PortName& name);

// How a device path is named to a person: as it is on Linux, and as the COM5
// of Device Manager for "\\.\COM5" on Windows.
std::string DisplayPortName(const std::string& devicePath);

// What a person may type instead of a name that is no port, behind
// "<text> is not a port; ".
extern const char* const kPortNameAdvice;

}  // namespace brenvik
