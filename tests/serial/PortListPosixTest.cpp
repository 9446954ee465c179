#include "serial/PortList.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/TempDir.h"

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

// A usb-serial folder as the kernel makes it: FTDI's driver keeps a
// latency_timer, CP210x's and CH340's keep none.
TEST(PortListTest, LatencyTimerIsReadFromTheUsbSerialFolder) {
  const test::TempDir dir;
  const fs::path folder = dir.Path("usb-serial");
  for (const auto& [tty, timer] : std::map<std::string, std::string>{
           {"ttyUSB0", "16\n"}, {"ttyUSB1", "1\n"}, {"ttyUSB2", ""}, {"ttyUSB3", "x\n"}}) {
    fs::create_directories(folder / tty);
    if (!timer.empty()) std::ofstream(folder / tty / "latency_timer") << timer;
  }
  fs::create_directories(folder / "ttyUSB4");
  const struct {
    const char* path;
    std::optional<int> ms;
  } cases[] = {
      {"/dev/ttyUSB0", 16},           {"/dev/ttyUSB1", 1},
      {"/dev/ttyUSB2", std::nullopt}, {"/dev/ttyUSB3", std::nullopt},
      {"/dev/ttyUSB4", std::nullopt}, {"/dev/ttyACM0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(LatencyTimerOf(c.path, folder.string()), c.ms) << c.path;
}

}  // namespace
}  // namespace brenvik
