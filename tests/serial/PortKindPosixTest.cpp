#include "serial/PortKind.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "files/TempDir.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

// A sysfs of one tty: the device chain below it, outermost first, each with
// its bus and driver links as the kernel makes them.
TEST(PortKindTest, BuiltInPortsAreTheSerial8250PnpAndPlatformOnes) {
  const test::TempDir dir;
  const fs::path root = dir.Path("sys");
  const struct {
    std::string tty;
    std::vector<std::pair<std::string, std::string>> chain;  // bus, driver
    bool builtIn;
  } cases[] = {
      {"ttyS1", {{"isa", "serial8250"}}, true},
      {"ttyS0", {{"pnp", "serial"}, {"serial-base", "ctrl"}, {"serial-base", "port"}}, true},
      {"ttyAMA0", {{"platform", "uart-pl011"}}, true},
      {"ttyUSB0", {{"usb", "usb"}, {"usb-serial", "ftdi_sio"}}, false},
      {"ptmx", {}, false},  // a pseudo-terminal has no device entry
  };
  const std::string classFolder = (root / "class").string();
  for (const auto& c : cases) {
    fs::path device = root / c.tty;
    for (const auto& [bus, driver] : c.chain) {
      fs::create_directories(device /= bus);
      fs::create_symlink("/sys/bus/" + bus, device / "subsystem");
      fs::create_symlink(fs::path("/sys/bus") / bus / "drivers" / driver, device / "driver");
    }
    fs::create_directories(root / "class" / c.tty);
    if (!c.chain.empty()) fs::create_symlink(device, root / "class" / c.tty / "device");
    // The same through a by-id link.
    fs::create_symlink("../../" + c.tty, root / ("usb-" + c.tty));
    for (const fs::path& port : {fs::path("/dev/" + c.tty), root / ("usb-" + c.tty)}) {
      EXPECT_EQ(IsBuiltInPort(port.string(), classFolder), c.builtIn) << port;
    }
  }
}

}  // namespace
}  // namespace brenvik
