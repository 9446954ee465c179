#include "files/Console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

namespace brenvik {

void ConsolePrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  // A complete line is pushed out at once even when standard output is a
  // pipe or a file, so a watcher sees the entry count as it is read.
  const std::size_t length = std::strlen(format);
  if (length > 0 && format[length - 1] == '\n') {
    std::fflush(stdout);
  }
}

void ConsolePutch(int byte) {
  std::putchar(static_cast<unsigned char>(byte));
  // STX and ETX open and close a frame's trace: flushing here shows each
  // frame whole without a write per hexadecimal pair.
  std::fflush(stdout);
}

void ConsoleReportError(const char* text, int errnum) {
  // The text is built first so that the report is one write and cannot be
  // interleaved with another thread's output.
  const std::string line =
      std::string(text) + ": " + std::generic_category().message(errnum) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleWarn(const char* line) {
  const std::string text = std::string(line) + "\n";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace brenvik
