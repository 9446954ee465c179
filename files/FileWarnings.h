#pragma once

#include <string>
#include <vector>

#include "files/ConsoleChannel.h"

namespace brenvik {

// What the device will get other than a file holds, one line each
// ("path:line: field N (name) ..."): what a reader gives back when it read
// the file.
using FileWarnings = std::vector<std::string>;

// Reports each warning through the console channel, a line each. The window
// calls it after every read that succeeded, so that a terminal or a log
// keeps the warnings its box shows.
void PrintWarnings(const FileWarnings& warnings, ConsoleChannel& console);

}  // namespace brenvik
