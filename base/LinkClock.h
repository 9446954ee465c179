#pragma once

#include "base/StopSignal.h"

namespace brenvik {

// Where the pacing and polling sleeps of a download go. The real clock
// sleeps; tests use a clock that only counts, so protocol tests need no time.
class LinkClock {
 public:
  virtual ~LinkClock() = default;
  // Sleeps `ms` milliseconds unless `stop` is requested first; returns false
  // when cut short by a stop request.
  virtual bool Sleep(int ms, StopSignal& stop) = 0;
};

// The clock of the real world: sleeps on the stop signal.
LinkClock& SteadyLinkClock();

}  // namespace brenvik
