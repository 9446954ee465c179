#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace brenvik::app {

// What the window's command line asks for. It is read before the toolkit
// starts, so that --help and --version work without a display.
struct CommandLine {
  // Set when the program ends here, before any window: 0 after --help or
  // --version, 2 after a usage error.
  std::optional<int> exitCode;
  // What to print then: on standard output for exit code 0, else on standard
  // error.
  std::string message;
  // Echo every frame in hex on standard output; --no-trace turns it off.
  bool traceFrames = true;
  // What the port field holds when the window opens; empty for the first
  // port of the list.
  std::string port;
  // The job file whose files the window loads, and only those; empty: none.
  std::string job;
  // An option names where the window shows (Qt's -platform or -display), so
  // the environment need not name a display.
  bool displayGiven = false;
};

// What a window toolkit makes of the command line beyond the options both
// windows share (--help, -h, --version, --no-trace).
struct ToolkitCommandLine {
  const char* usage;  // the text --help prints
  // Whether frames are echoed unless an option says otherwise; where they are
  // not, --trace turns the echo on.
  bool traceByDefault;
  // How many arguments from args[i] on are an option of the toolkit's own
  // and its value (1 or more), what they say noted in commandLine; 0 when
  // args[i] is none of its options. Null when the toolkit takes no options.
  std::size_t (*toolkitOption)(std::span<const char* const> args, std::size_t i,
                               CommandLine& commandLine);
};

// Reads the arguments after args[0]: the shared options, then the toolkit's
// own; any other option, an option whose value is missing, or an argument
// that is no option, is a usage error.
CommandLine ParseCommandLine(std::span<const char* const> args, const ToolkitCommandLine& toolkit);

// Ends a window that would have nowhere to show, before its toolkit aborts
// for want of a display: exit code 1 and a message that points to the loader,
// unless the command line ended already or named a display, or displayNamed
// (the environment names one).
void RequireDisplay(CommandLine& commandLine, bool displayNamed);

}  // namespace brenvik::app
