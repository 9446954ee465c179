#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "base/Result.h"
#include "files/ConsoleChannel.h"

namespace brenvik {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Opens a data file for reading, in binary mode: every byte is the file's,
// a 0x1A byte does not end it and a carriage return reaches the reader. The
// path is UTF-8 on both platforms. On failure reports "Error opening file: ..."
// through the console channel, perror style, and fails with "path: Error
// opening file: ...".
// Anything but a regular file (a FIFO, a device, a directory) is refused with
// "path: not a regular file", without waiting for a writer.
Result<FilePointer> OpenDataFile(const std::string& path, ConsoleChannel& console);

// The two failures OpenDataFile reports, alike on both platforms: an open
// that failed with `errnum` (reported through the console too), and a path
// that is not a regular file.
Error DataFileOpenError(const std::string& path, int errnum, ConsoleChannel& console);
Error NotARegularFile(const std::string& path);

}  // namespace brenvik
