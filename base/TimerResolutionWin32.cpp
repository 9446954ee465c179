#include "base/TimerResolution.h"

#include <windows.h>
// timeapi.h needs windows.h's types before it.
#include <timeapi.h>

namespace brenvik {

// The timer resolution is the whole system's; each timeBeginPeriod is paired
// with its timeEndPeriod.
HighTimerResolution::HighTimerResolution() : previous_(::timeBeginPeriod(1) == TIMERR_NOERROR) {}

HighTimerResolution::~HighTimerResolution() {
  if (previous_ != 0) ::timeEndPeriod(1);
}

}  // namespace brenvik
