#pragma once

#include "files/ConsoleChannel.h"
#include "tools/load/ProgressDisplay.h"

namespace brenvik::load {

// The loader's console channel, led into its own output: the entry count is
// a line where every status is a line (the lines mode), a port's frames are
// that port's trace lines. The open report is dropped, as the loader says a
// refused file once, by its error; a short write has a handler of its own.
class LoaderConsole final : public ConsoleChannel {
 public:
  // `port`: whose frames are traced (ProgressDisplay::kNoPort for reading the
  // files); `showEntryCount`: whether the entry count is a line.
  LoaderConsole(ProgressDisplay& display, int port, bool showEntryCount)
      : display_(display), port_(port), showEntryCount_(showEntryCount) {}

  void Print(std::string_view text) override;
  void TraceFrame(std::span<const uint8_t> frame) override;
  void Report(std::string_view /*line*/) override {}

 private:
  ProgressDisplay& display_;
  int port_;
  bool showEntryCount_;
};

}  // namespace brenvik::load
