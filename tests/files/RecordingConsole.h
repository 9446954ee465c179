#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/ConsoleChannel.h"

namespace brenvik::test {

// A console channel that keeps what it is told: `out` and `err` as the
// window's channel would write them to standard output and standard error,
// and each traced frame's bytes.
struct RecordingConsole final : ConsoleChannel {
  void Print(std::string_view text) override { out += text; }
  void TraceFrame(std::span<const uint8_t> frame) override {
    frames.emplace_back(frame.begin(), frame.end());
  }
  void Report(std::string_view line) override {
    err += line;
    err += '\n';
  }
  void Clear() {
    out.clear();
    err.clear();
    frames.clear();
  }

  std::string out;
  std::string err;
  std::vector<std::vector<uint8_t>> frames;
};

}  // namespace brenvik::test
