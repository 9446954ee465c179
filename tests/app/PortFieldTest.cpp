#include "app/PortField.h"

#include <gtest/gtest.h>

namespace brenvik::app {
namespace {

struct PortFieldCase {
  const char* field;
  uint32_t portNumber;
  const char* devicePath;
};

class PortFieldTest : public testing::TestWithParam<PortFieldCase> {};

TEST_P(PortFieldTest, ParsesComNumbersAndDevicePathsAndNothingElse) {
  const PortChoice choice = ParsePortField(GetParam().field);
  EXPECT_EQ(choice.portNumber, GetParam().portNumber);
  EXPECT_EQ(choice.devicePath, GetParam().devicePath);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PortFieldTest,
    testing::Values(PortFieldCase{"COM1", 1, ""}, PortFieldCase{"COM48", 48, ""},
                    PortFieldCase{"COM12", 12, ""}, PortFieldCase{"com7", 7, ""},
                    PortFieldCase{"  COM3 ", 3, ""}, PortFieldCase{"/dev/pts/5", 0, "/dev/pts/5"},
                    PortFieldCase{" /dev/ttyUSB0 ", 0, "/dev/ttyUSB0"},
                    // Everything else is port 0, which no open accepts.
                    PortFieldCase{"COM0", 0, ""}, PortFieldCase{"COM", 0, ""},
                    PortFieldCase{"COMx", 0, ""}, PortFieldCase{"COM1a", 0, ""},
                    PortFieldCase{"COM-1", 0, ""}, PortFieldCase{"", 0, ""},
                    PortFieldCase{"ttyS0", 0, ""}, PortFieldCase{"dev/pts/5", 0, ""},
                    PortFieldCase{"COM123456", 0, ""}));

}  // namespace
}  // namespace brenvik::app
