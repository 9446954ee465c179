// Windows: port names, open failures and the port list, without a device.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "serial/OpenFailure.h"
#include "serial/PortKind.h"
#include "serial/PortList.h"
#include "serial/PortName.h"
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

TEST(OpenFailureWin32Test, TheSystemsErrorNamesTheCause) {
  const std::string missing =
      "COM5: no such port; check that the adapter is plugged in and that Device Manager lists "
      "this port under Ports (COM & LPT)";
  const std::string inUse = "COM5: in use by another program; close it and try again";
  const std::string notSerial = "COM5: not a serial device; choose the port the device is on";
  const struct {
    DWORD error;
    std::string cause;
  } cases[] = {{ERROR_FILE_NOT_FOUND, missing},     {ERROR_PATH_NOT_FOUND, missing},
               {ERROR_ACCESS_DENIED, inUse},        {ERROR_SHARING_VIOLATION, inUse},
               {ERROR_INVALID_FUNCTION, notSerial}, {ERROR_NOT_SUPPORTED, notSerial}};
  for (const auto& c : cases) {
    EXPECT_EQ(OpenFailureCause("\\\\.\\COM5", static_cast<int>(c.error)), c.cause) << c.error;
  }
  // Anything else in the system's words, as one line.
  const std::string other = OpenFailureCause("\\\\.\\COM5", ERROR_GEN_FAILURE);
  EXPECT_EQ(other, "COM5: " + SystemMessage(ERROR_GEN_FAILURE));
  EXPECT_GT(other.size(), 7u);
  EXPECT_EQ(other.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(SettingsRefusedCause("COM5"),
            "COM5: the port refused the line settings (9600 baud, 8 data bits, no parity, 1 stop "
            "bit)");
}

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

// SetupAPI under wine knows no adapters; only that the list can be had.
TEST(SerialPortWin32Test, PortListReturnsWithoutError) {
  const Result<std::vector<PortInfo>> listed = ListPorts();
  ASSERT_TRUE(listed) << listed.error();
  for (const PortInfo& port : *listed) EXPECT_EQ(port.path.rfind("COM", 0), 0u) << port.path;
  // A port that is not listed is taken for none of the PC's own.
  EXPECT_FALSE(IsBuiltInPort("\\\\.\\COM200"));
}

}  // namespace
}  // namespace brenvik
