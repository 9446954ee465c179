#pragma once

#include "files/FileReadResult.h"
#include "files/MmiBlock.h"

namespace brenvik {

// Reads an MMI file (eight lines of label,value) into `block`. On success the
// whole block is cleared and refilled; on failure it is untouched and the
// result names the file, line and problem.
FileReadResult ReadMmiFile(MmiBlock& block, const char* path);

}  // namespace brenvik
