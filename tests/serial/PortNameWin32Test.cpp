#include "serial/PortName.h"

#include <gtest/gtest.h>

#include "serial/SerialPort.h"

namespace brenvik {
namespace {

TEST(PortNameWin32Test, ComNamesAndDeviceNamesOpenInTheDeviceNamespace) {
  const struct {
    const char* text;
    const char* path;
  } cases[] = {{"COM5", "\\\\.\\COM5"},
               {"com5", "\\\\.\\COM5"},
               {" COM12 ", "\\\\.\\COM12"},
               {"COM48", "\\\\.\\COM48"},
               {"\\\\.\\COM5", "\\\\.\\COM5"},
               {"\\\\.\\CNCA0", "\\\\.\\CNCA0"},
               {"./COM5", "./COM5"},
               {"/dev/ttyS0", "/dev/ttyS0"},
               // No port: these fail with "... is not a port".
               {"5", ""},
               {"COM0", ""},
               {"\\\\.\\", ""},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(PortPath(ParsePortName(c.text)), c.path) << c.text;
  EXPECT_EQ(SerialPort::DevicePathFor(3), "\\\\.\\COM3");
  EXPECT_EQ(DisplayPortName("\\\\.\\COM12"), "COM12");
}

}  // namespace
}  // namespace brenvik
