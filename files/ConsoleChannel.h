#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace brenvik {

// The console channel: what the file readers and the frame link have to say
// besides their results, handed to whichever front end runs them. The window
// writes it to standard output and standard error, the loader leads it into
// its own output, the benchmark drops it; the core never writes to a stream
// itself. The trace is called on a download's thread, the rest on the
// caller's.
class ConsoleChannel {
 public:
  virtual ~ConsoleChannel() = default;

  // Text for standard output, with its own line end: the DB reader's
  // "Number of Entries = N\n" once the count line is accepted.
  virtual void Print(std::string_view text) = 0;
  // One frame whole, just before it is sent: STX, the body bytes up to and
  // with the checksum, ETX. One call a frame, so one frame's trace is never
  // broken up by anything else.
  virtual void TraceFrame(std::span<const uint8_t> frame) = 0;
  // One line for standard error, without its line end: "Error opening file:
  // No such file or directory", a reader's warning, or "Error, expected 2 but
  // 1" where no box shows it.
  virtual void Report(std::string_view line) = 0;
};

// A channel that drops everything: for callers that want nothing said.
ConsoleChannel& SilentConsole();

}  // namespace brenvik
