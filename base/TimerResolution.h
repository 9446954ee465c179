#pragma once

namespace brenvik {

// Holds the system timer at 1 ms while it lives, so that the link's 2 ms,
// 5 ms and 10 ms sleeps last about that long. Windows rounds a sleep up to
// its timer's period, about 15.6 ms unless a program asks for less; Linux
// sleeps to the microsecond anyway, and there this does nothing.
class HighTimerResolution {
 public:
  HighTimerResolution();
  ~HighTimerResolution();
  HighTimerResolution(const HighTimerResolution&) = delete;
  HighTimerResolution& operator=(const HighTimerResolution&) = delete;

 private:
  bool raised_ = false;  // whether the period was raised, and must be given back
};

}  // namespace brenvik
