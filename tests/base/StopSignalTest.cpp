#include "base/StopSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "base/LinkClock.h"

namespace brenvik {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The stop signal's own wait and the real link clock's sleep on it behave
// alike: a request made before or during the sleep ends it at once with
// false, a reset one is forgotten, and a sleep left alone runs its time.
TEST(StopSignal, ARequestCutsTheSleepShortAndAResetOneIsForgotten) {
  const struct {
    const char* name;
    bool requestBefore;
    bool resetBefore;
    bool requestDuring;
    int sleepMs;
    bool slept;  // the sleep's result: ran its time
  } cases[] = {
      {"no request: the whole time", false, false, false, 30, true},
      {"requested before: at once", true, false, false, 60'000, false},
      {"requested before, then reset: the whole time", true, true, false, 30, true},
      {"requested during: at once", false, false, true, 60'000, false},
  };
  using Sleep = std::function<bool(StopSignal&, int)>;
  const struct {
    const char* name;
    Sleep sleep;
  } sleepers[] = {
      {"WaitFor",
       [](StopSignal& stop, int ms) { return stop.WaitFor(std::chrono::milliseconds(ms)); }},
      {"SteadyLinkClock",
       [](StopSignal& stop, int ms) { return SteadyLinkClock().Sleep(ms, stop); }},
  };
  for (const auto& sleeper : sleepers) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(sleeper.name) + ": " + c.name);
      StopSignal stop;
      if (c.requestBefore) stop.Request();
      if (c.resetBefore) stop.Reset();
      EXPECT_EQ(stop.Requested(), c.requestBefore && !c.resetBefore);
      std::thread requester;
      if (c.requestDuring) {
        requester = std::thread([&stop] {
          std::this_thread::sleep_for(20ms);
          stop.Request();
        });
      }
      const Clock::time_point start = Clock::now();
      EXPECT_EQ(sleeper.sleep(stop, c.sleepMs), c.slept);
      const auto took = Clock::now() - start;
      if (requester.joinable()) requester.join();
      if (c.slept) {
        EXPECT_GE(took, std::chrono::milliseconds(c.sleepMs));
      } else {
        EXPECT_LT(took, std::chrono::seconds(5));
      }
      EXPECT_EQ(stop.Requested(), !c.slept);
    }
  }
}

}  // namespace
}  // namespace brenvik
