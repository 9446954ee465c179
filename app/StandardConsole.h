#pragma once

#include "files/ConsoleChannel.h"

namespace brenvik::app {

// The window's console channel: the frame trace and the entry count on
// standard output, the open report, the warnings and a short write with no
// box on standard error, each pushed out at once, so that a terminal, a pipe
// or the session's journal sees them as they happen. A frame's trace is raw
// STX, the body in "%.2X" pairs, raw ETX, without a line end.
class StandardConsole final : public ConsoleChannel {
 public:
  void Print(std::string_view text) override;
  void TraceFrame(std::span<const uint8_t> frame) override;
  void Report(std::string_view line) override;
};

}  // namespace brenvik::app
