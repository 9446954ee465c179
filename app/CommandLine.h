#pragma once

#include <optional>
#include <span>
#include <string>

namespace brenvik::app {

// What the window's command line asks for. It is read before Qt starts, so
// that --help and --version work without a display.
struct CommandLine {
  // Set when the program ends here, before any window: 0 after --help or
  // --version, 2 after a usage error.
  std::optional<int> exitCode;
  // What to print then: on standard output for exit code 0, else on standard
  // error.
  std::string message;
  // Echo every frame in hex on standard output; --no-trace turns it off.
  bool traceFrames = true;
};

// Reads the arguments after args[0]. Qt's own options (-platform offscreen,
// -style fusion, also written with two dashes) and their values are left for
// Qt, as is any other option with a single dash; an unknown option with two
// dashes, or an argument that is no option, is a usage error.
CommandLine ParseCommandLine(std::span<const char* const> args);

}  // namespace brenvik::app
