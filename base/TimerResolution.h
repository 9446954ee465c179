#pragma once

namespace brenvik {

// While it lives, the calling thread's short sleeps last what they ask for:
// a download paces itself with thousands of 5 ms and 10 ms sleeps, which
// Linux's default 50 us timer slack would lengthen by a noticeable share and
// Windows' default 15.6 ms timer tick would round up to 15.6 ms each.
class HighTimerResolution {
 public:
  HighTimerResolution();
  ~HighTimerResolution();
  HighTimerResolution(const HighTimerResolution&) = delete;
  HighTimerResolution& operator=(const HighTimerResolution&) = delete;

 private:
  unsigned long previous_ = 0;
};

}  // namespace brenvik
