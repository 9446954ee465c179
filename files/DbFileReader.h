#pragma once

#include "files/DbTable.h"
#include "files/FileReadResult.h"

namespace brenvik {

// Reads a DB file into `table`. Prints "Number of Entries = %d\n" on standard
// output once the count line is read and accepted. On success `count` and
// records 0 to count-1 are replaced and the records behind them keep what they
// held; a text longer than its field is cut to it and named in a warning (also
// on standard error). On failure the table is untouched and the result names
// the file, line and problem ("Error opening file" also goes to standard
// error, perror style).
FileReadResult ReadDbFile(DbTable& table, const char* path);

}  // namespace brenvik
