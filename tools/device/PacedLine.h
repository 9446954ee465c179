#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "tools/device/AnsweringDevice.h"

namespace brenvik::device {

// The pace of a real serial line and its USB adapter, played on a line that
// has none (a pseudo-terminal takes the loader's bytes at once).
struct LinePace {
  int baud = 0;       // bytes are carried at 10 bits each; 0: as fast as they come
  int latencyMs = 0;  // answers are handed over at this clock's next tick; 0: at once
  bool Paced() const { return baud > 0 || latencyMs > 0; }
};

// A line in front of another that the device reads no faster than the line
// carries the loader's bytes and whose answers go out at the line's rate and
// reach the loader at the next tick of the adapter's latency timer, a clock
// that runs from the line's construction. Used on the device's own thread.
class PacedLine final : public DeviceLine {
 public:
  PacedLine(DeviceLine& inner, LinePace pace);

  std::size_t Read(uint8_t* buffer, std::size_t size, int timeoutMs) override;
  // Waits until the byte has crossed the line and the timer has ticked.
  bool Write(uint8_t byte) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Carried {
    Clock::time_point throughAt;  // when its last bit has crossed the line
    uint8_t byte;
  };

  DeviceLine& inner_;
  LinePace pace_;
  Clock::duration byteTime_;
  Clock::time_point start_;
  Clock::time_point rxThroughAt_;  // the last byte from the loader
  Clock::time_point txThroughAt_;  // the last answer byte
  std::deque<Carried> carried_;
};

}  // namespace brenvik::device
