#include "base/TimerResolution.h"

namespace brenvik {

HighTimerResolution::HighTimerResolution() = default;
HighTimerResolution::~HighTimerResolution() = default;

}  // namespace brenvik
