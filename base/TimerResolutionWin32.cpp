#include <windows.h>

// After windows.h, whose types it uses.
#include <timeapi.h>

#include "base/TimerResolution.h"

namespace brenvik {

// The timer resolution is the whole system's; each timeBeginPeriod is paired
// with its timeEndPeriod.
HighTimerResolution::HighTimerResolution() : previous_(::timeBeginPeriod(1) == TIMERR_NOERROR) {}

HighTimerResolution::~HighTimerResolution() {
  if (previous_ != 0) ::timeEndPeriod(1);
}

}  // namespace brenvik
