#include "serial/PortList.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace brenvik {
namespace {

namespace fs = std::filesystem;

TEST(PortListTest, LabelNamesTheDeviceWhatItIsAndItsSerialNumber) {
  PortInfo adapter;
  adapter.path = "/dev/ttyUSB0";
  adapter.product = "FT232R USB UART";
  adapter.serialNumber = "A10K3XYZ";
  PortInfo builtIn;
  builtIn.path = "/dev/ttyS0";
  builtIn.description = "ttyS0";  // what the system says of a port it knows nothing of
  EXPECT_EQ(PortLabel(adapter), "ttyUSB0 \xE2\x80\x93 FT232R USB UART (A10K3XYZ)");
  EXPECT_EQ(PortLabel(builtIn), "ttyS0 \xE2\x80\x93 serial port");
}

// The machine's ports, whatever they are: CI has no adapter and no udev.
TEST(PortListTest, ListShowsThisMachinesPortsAsDevicesWithLabels) {
  const Result<std::vector<PortInfo>> listed = ListPorts();
  ASSERT_TRUE(listed) << listed.error();
  for (const PortInfo& port : *listed) {
    struct stat info {};
    EXPECT_TRUE(::stat(port.path.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) << port.path;
    const std::string name = fs::path(port.path).filename().string();
    EXPECT_EQ(PortLabel(port).rfind(name + " \xE2\x80\x93 ", 0), 0u) << PortLabel(port);
    if (!port.byIdPath.empty()) {
      EXPECT_EQ(fs::canonical(port.byIdPath), fs::canonical(port.path));
    }
  }
}

}  // namespace
}  // namespace brenvik
