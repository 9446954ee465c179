#pragma once

#include "base/Result.h"
#include "files/DbTable.h"
#include "files/FileWarnings.h"

namespace brenvik {

// Reads a DB file into `table`. Prints "Number of Entries = %d\n" through the
// console channel once the count line is read and accepted. On success `count` and
// records 0 to count-1 are replaced, the records behind them keep what they
// held, and the result holds the warnings (a text longer than its field is cut
// to it and named in one), for the caller to show or print. On failure the
// table is untouched and the error names the file, line and problem ("Error
// opening file" is also reported through the channel, perror style).
Result<FileWarnings> ReadDbFile(DbTable& table, const char* path,
                                ConsoleChannel& console = SilentConsole());

}  // namespace brenvik
