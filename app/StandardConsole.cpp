#include "app/StandardConsole.h"

#include <cstdio>
#include <string>

namespace brenvik::app {

void StandardConsole::Print(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  // A complete line is pushed out even when standard output is a pipe or a
  // file, so a watcher sees the entry count as the file is read.
  if (!text.empty() && text.back() == '\n') std::fflush(stdout);
}

void StandardConsole::TraceFrame(std::span<const uint8_t> frame) {
  if (frame.size() < 2) return;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(2 * frame.size());
  text += static_cast<char>(frame.front());
  for (const uint8_t byte : frame.subspan(1, frame.size() - 2)) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  text += static_cast<char>(frame.back());
  // One write and a flush: each frame shows whole as it goes out, never cut
  // by a buffer that fills.
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void StandardConsole::Report(std::string_view line) {
  // One write, so a report is not interleaved with another thread's output.
  std::string text(line);
  text += '\n';
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace brenvik::app
