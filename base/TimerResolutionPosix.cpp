#include <sys/prctl.h>

#include "base/TimerResolution.h"

namespace brenvik {

// The timer slack is the thread's own: set to 1 ns, back to what it was.
HighTimerResolution::HighTimerResolution()
    : previous_(static_cast<unsigned long>(prctl(PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL))) {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

HighTimerResolution::~HighTimerResolution() { prctl(PR_SET_TIMERSLACK, previous_, 0UL, 0UL, 0UL); }

}  // namespace brenvik
