#pragma once

#include <optional>
#include <string>

#include "tools/device/DevicePolicy.h"
#include "tools/device/PacedLine.h"

namespace brenvik::device {

// What brenvik-device's command line asks for.
struct DeviceOptions {
  DevicePolicy policy;
  LinePace pace;           // --line-rate, --latency: the pseudo-terminal's pace
  std::string devicePath;  // --device: answer on this serial port; empty: on a pseudo-terminal
  std::string linkPath;    // --link: a symbolic link to the pseudo-terminal; empty: none
  std::string dbOut;       // --db-out: where a complete database is written; empty: nowhere
  std::string mmiOut;      // --mmi-out: where the MMI settings are written; empty: nowhere
  bool quiet = false;
};

// The options, or the end of the program: exitCode set, with `text` to print
// (the help or the version on standard output for 0, a usage error with its
// hint on standard error for 2).
struct ParsedDeviceOptions {
  DeviceOptions options;
  std::optional<int> exitCode;
  std::string text;
};

// Reads the command line with getopt_long: long options with their value
// after a space or an equals sign (--delay 40, --delay=40), -q, -h, -V. A
// value that does not parse ends the program with a hint naming the option:
// "brenvik-device: --delay needs milliseconds". May reorder argv.
ParsedDeviceOptions ParseDeviceOptions(int argc, char** argv);

}  // namespace brenvik::device
