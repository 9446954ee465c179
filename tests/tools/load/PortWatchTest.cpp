#include "tools/load/PortWatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brenvik::load {
namespace {

TEST(NodeSettlingTest, RefusalIsQuietForTwoSecondsAfterTheNodeAppeared) {
  struct Look {
    int atMs;
    const char* target;
    bool settling;  // an open refused at this look is retried without a word
  };
  const struct {
    const char* name;
    std::vector<Look> looks;
  } cases[] = {
      // There from the first look: nothing to wait for, the cause is told at once.
      {"ThereFromTheStart", {{0, "/dev/ttyUSB0", false}, {200, "/dev/ttyUSB0", false}}},
      {"AppearsLater",
       {{0, "", false},
        {200, "/dev/ttyUSB0", true},
        {2199, "/dev/ttyUSB0", true},
        {2200, "/dev/ttyUSB0", false}}},
      // Gone again and back: the moment starts anew.
      {"GoneAndBack",
       {{0, "", false},
        {200, "/dev/ttyUSB0", true},
        {400, "", false},
        {3000, "/dev/ttyUSB1", true}}},
      // A by-id name that comes to lead to another device.
      {"LeadsToAnotherDevice",
       {{0, "/dev/ttyUSB0", false}, {200, "/dev/ttyUSB1", true}, {2400, "/dev/ttyUSB1", false}}},
  };
  for (const auto& c : cases) {
    NodeSettling settling;
    const NodeSettling::Clock::time_point start{};
    for (const Look& look : c.looks) {
      const auto now = start + std::chrono::milliseconds(look.atMs);
      settling.Look(look.target, now);
      EXPECT_EQ(settling.Settling(now), look.settling) << c.name << " at " << look.atMs;
    }
  }
}

}  // namespace
}  // namespace brenvik::load
