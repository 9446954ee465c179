#include "serial/OpenFailure.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace brenvik {
namespace {

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

}  // namespace
}  // namespace brenvik
