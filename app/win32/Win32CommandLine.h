#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace brenvik::app {

// Reads the Windows window's arguments after args[0]. A window started from
// the desktop has no console, so frames are echoed only with --trace;
// --no-trace, the default, is taken too. Any other option, or an argument
// that is no option, is a usage error.
CommandLine ParseCommandLine(std::span<const char* const> args);

// The program's arguments, args[0] first, read from its UTF-16 command line
// and handed on as UTF-8, so that a name with accents or Greek letters
// arrives whole.
std::vector<std::string> CommandLineArguments();

}  // namespace brenvik::app
