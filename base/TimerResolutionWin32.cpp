#include "base/TimerResolution.h"

#include <windows.h>
// clang-format off
#include <timeapi.h>
// clang-format on

namespace brenvik {

HighTimerResolution::HighTimerResolution() : raised_(::timeBeginPeriod(1) == TIMERR_NOERROR) {}

HighTimerResolution::~HighTimerResolution() {
  if (raised_) ::timeEndPeriod(1);
}

}  // namespace brenvik
