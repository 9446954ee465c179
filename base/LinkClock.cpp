#include "base/LinkClock.h"

namespace brenvik {
namespace {

class SteadyClock final : public LinkClock {
 public:
  bool Sleep(int ms, StopSignal& stop) override {
    return stop.WaitFor(std::chrono::milliseconds(ms));
  }
};

}  // namespace

LinkClock& SteadyLinkClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace brenvik
