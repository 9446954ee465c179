#pragma once

#include "files/FileReadResult.h"
#include "files/MmiBlock.h"

namespace brenvik {

// Reads an MMI file (eight lines of label,value) into `block`. On success the
// whole block is cleared and refilled, texts longer than their field cut to it
// with a warning (also on standard error); on failure it is untouched and the
// result names the file, line and problem ("Error opening file" also goes to
// standard error, perror style).
FileReadResult ReadMmiFile(MmiBlock& block, const char* path);

}  // namespace brenvik
