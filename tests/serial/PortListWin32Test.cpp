#include "serial/PortList.h"

#include <gtest/gtest.h>

#include <vector>

#include "serial/PortKind.h"

namespace brenvik {
namespace {

// SetupAPI under wine knows no adapters; only that the list can be had.
TEST(PortListWin32Test, ListReturnsWithoutError) {
  const Result<std::vector<PortInfo>> listed = ListPorts();
  ASSERT_TRUE(listed) << listed.error();
  for (const PortInfo& port : *listed) EXPECT_EQ(port.path.rfind("COM", 0), 0u) << port.path;
  // A port that is not listed is taken for none of the PC's own.
  EXPECT_FALSE(IsBuiltInPort("\\\\.\\COM200"));
}

}  // namespace
}  // namespace brenvik
