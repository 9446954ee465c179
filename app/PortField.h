#pragma once

#include <cstdint>
#include <string>

namespace brenvik::app {

// What the port field asks Connect to open: COM n by number, or a device path.
struct PortChoice {
  uint32_t portNumber = 0;  // used when devicePath is empty; 0 opens nothing
  std::string devicePath;   // "/dev/..." typed by the operator
};

// Reads the port field: "COMn" (chosen or typed, case and surrounding blanks
// ignored) is COM n; a text starting with "/" is that device path; anything
// else is port 0, which no open accepts.
PortChoice ParsePortField(const std::string& text);

}  // namespace brenvik::app
