#include "serial/LowLatencyPosix.h"

#include <gtest/gtest.h>
#include <linux/serial.h>

#include <cerrno>

namespace brenvik {
namespace {

// A driver that keeps its flags and refuses as told.
class FakeDriver final : public SerialFlagsDriver {
 public:
  int flags = 0;
  int getError = 0;
  int setError = 0;
  int sets = 0;

  int Get(int /*fd*/, serial_struct& settings) override {
    if (getError == 0) settings.flags = flags;
    return getError;
  }
  int Set(int /*fd*/, const serial_struct& settings) override {
    ++sets;
    if (setError == 0) flags = settings.flags;
    return setError;
  }
};

constexpr int kOther = ASYNC_SPD_HI;  // a flag the request and restore leave alone

TEST(LowLatencyTest, RequestedWhereTheDriverTakesItAndPutBackAsItWas) {
  const struct {
    const char* name;
    int flags, getError, setError;
    bool added;
    int flagsOpen, setsOpen;
  } cases[] = {
      {"accepts", kOther, 0, 0, true, kOther | ASYNC_LOW_LATENCY, 1},
      {"already low latency", ASYNC_LOW_LATENCY, 0, 0, false, ASYNC_LOW_LATENCY, 0},
      {"pseudo-terminal", 0, ENOTTY, ENOTTY, false, 0, 0},
      {"refuses the change", kOther, 0, EPERM, false, kOther, 1},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.flags = c.flags;
    driver.getError = c.getError;
    driver.setError = c.setError;
    EXPECT_EQ(RequestLowLatency(3, driver), c.added) << c.name;
    EXPECT_EQ(driver.flags, c.flagsOpen) << c.name;
    EXPECT_EQ(driver.sets, c.setsOpen) << c.name;
    // Closing restores only what the open changed.
    if (c.added) RestoreLatency(3, driver);
    EXPECT_EQ(driver.flags, c.flags) << c.name;
  }
}

}  // namespace
}  // namespace brenvik
