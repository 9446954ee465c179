// Windows: ports that will not open, without a device.

#include <string>

#include <gtest/gtest.h>

#include "serial/PortName.h"
#include "serial/SerialPort.h"

namespace brenvik {
namespace {

TEST(SerialPortWin32Test, PortsThatDoNotOpenSayWhyAndStayClosed) {
  const struct {
    const char* text;
    std::string cause;
  } cases[] = {
      {"COM200",
       "COM200: no such port; check that the adapter is plugged in and that Device Manager lists "
       "this port under Ports (COM & LPT)"},
      {"COM0",
       "COM0 is not a port; give COM1 or above, as Device Manager lists them under Ports (COM & "
       "LPT)"},
      {"", "no port given"}};
  for (const auto& c : cases) {
    SerialPort port;
    const Result<> opened = port.OpenPort(ParsePortName(c.text));
    ASSERT_FALSE(opened.ok()) << c.text;
    EXPECT_EQ(opened.error(), c.cause);
    EXPECT_FALSE(port.IsOpen());
    const uint8_t byte = 0x02;
    EXPECT_EQ(port.Write(&byte, 1), 0);
  }
  SerialPort port;
  EXPECT_EQ(port.Open(200), 0);
}

}  // namespace
}  // namespace brenvik
