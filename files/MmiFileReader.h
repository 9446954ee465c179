#pragma once

#include "base/Result.h"
#include "files/FileWarnings.h"
#include "files/MmiBlock.h"

namespace brenvik {

// Reads an MMI file (eight lines of label,value) into `block`. On success the
// whole block is cleared and refilled, texts longer than their field cut to it,
// and the result holds the warnings, for the caller to show or print; on
// failure the block is untouched and the error names the file, line and
// problem ("Error opening file" is also reported through the console channel,
// perror style).
Result<FileWarnings> ReadMmiFile(MmiBlock& block, const char* path,
                                 ConsoleChannel& console = SilentConsole());

}  // namespace brenvik
