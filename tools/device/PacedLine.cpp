#include "tools/device/PacedLine.h"

#include <algorithm>
#include <thread>

namespace brenvik::device {

PacedLine::PacedLine(DeviceLine& inner, LinePace pace)
    : inner_(inner),
      pace_(pace),
      byteTime_(pace.baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / pace.baud)
                              : Clock::duration::zero()),
      start_(Clock::now()),
      rxThroughAt_(start_),
      txThroughAt_(start_) {}

std::size_t PacedLine::Read(uint8_t* buffer, std::size_t size, int timeoutMs) {
  if (pace_.baud <= 0) return inner_.Read(buffer, size, timeoutMs);
  // Bytes still crossing the line: take more without waiting, then hand on
  // what is through.
  uint8_t chunk[512];
  const std::size_t n = inner_.Read(chunk, sizeof chunk, carried_.empty() ? timeoutMs : 0);
  Clock::time_point now = Clock::now();
  for (std::size_t i = 0; i < n; ++i) {
    rxThroughAt_ = std::max(rxThroughAt_, now) + byteTime_;
    carried_.push_back({rxThroughAt_, chunk[i]});
  }
  if (carried_.empty()) return 0;
  if (carried_.front().throughAt > now) {
    std::this_thread::sleep_until(
        std::min(carried_.front().throughAt, now + std::chrono::milliseconds(timeoutMs)));
    now = Clock::now();
  }
  std::size_t count = 0;
  while (count < size && !carried_.empty() && carried_.front().throughAt <= now) {
    buffer[count++] = carried_.front().byte;
    carried_.pop_front();
  }
  return count;
}

bool PacedLine::Write(uint8_t byte) {
  if (!pace_.Paced()) return inner_.Write(byte);
  txThroughAt_ = std::max(txThroughAt_, Clock::now()) + byteTime_;
  Clock::time_point handedOverAt = txThroughAt_;
  if (pace_.latencyMs > 0) {
    const Clock::duration tick = std::chrono::milliseconds(pace_.latencyMs);
    const auto ticks = (handedOverAt - start_ + tick - Clock::duration(1)) / tick;
    handedOverAt = start_ + ticks * tick;
  }
  std::this_thread::sleep_until(handedOverAt);
  return inner_.Write(byte);
}

}  // namespace brenvik::device
