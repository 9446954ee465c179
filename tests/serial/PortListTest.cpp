#include "serial/PortList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {
namespace {

// The FTDI driver's registry value; other drivers keep none, and a value out
// of its range is none either.
TEST(PortListTest, LatencyTimerIsTheFtdiDriversRegistryValue) {
  const struct {
    std::optional<uint32_t> value;
    std::optional<int> ms;
  } cases[] = {{16, 16},
               {1, 1},
               {255, 255},
               {0, std::nullopt},
               {256, std::nullopt},
               {std::nullopt, std::nullopt}};
  for (const auto& c : cases) {
    std::vector<std::string> asked;
    const DeviceParameterReader registry = [&](const std::string& name) {
      asked.push_back(name);
      return c.value;
    };
    EXPECT_EQ(LatencyTimerFromParameters(registry), c.ms);
    EXPECT_EQ(asked, std::vector<std::string>{"LatencyTimer"});
  }
}

}  // namespace
}  // namespace brenvik
