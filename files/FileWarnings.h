#pragma once

#include <string>
#include <vector>

namespace brenvik {

// What the device will get other than a file holds, one line each
// ("path:line: field N (name) ..."): what a reader gives back when it read
// the file.
using FileWarnings = std::vector<std::string>;

// Writes each warning on standard error, one line each, through the console
// channel. The window and brenvik-load call it after every read that
// succeeded, so a script sees the warnings as well as the operator.
void PrintWarnings(const FileWarnings& warnings);

}  // namespace brenvik
