#include "serial/UsbAdaptersPosix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/TempDir.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

// A /sys/bus/usb/devices of five devices and an interface entry: an FTDI
// adapter with its ttyUSB0, a CDC-ACM CP210x with tty/ttyACM0, a CH340 that
// brltty holds (no tty), a Prolific one without a product name and no tty, a
// mouse.
TEST(UsbAdaptersTest, AdaptersWithoutATtyAreNamedWithTheirIds) {
  const test::TempDir dir;
  const fs::path usb = dir.Path("usb");
  const struct {
    const char* name;
    const char* vendor;
    const char* product;
    const char* productName;
    const char* tty;  // below the device; empty: none
  } devices[] = {
      {"1-1", "0403", "6001", "FT232R USB UART", "1-1:1.0/ttyUSB0"},
      {"1-2", "10c4", "ea60", "CP2102 USB to UART Bridge Controller", "1-2:1.0/tty/ttyACM0"},
      {"1-3", "1a86", "7523", "USB Serial", ""},
      {"1-4", "067b", "2303", "", ""},
      {"1-5", "046d", "c077", "USB Optical Mouse", ""},
  };
  for (const auto& d : devices) {
    const fs::path device = usb / d.name;
    fs::create_directories(device / (std::string(d.name) + ":1.0"));
    std::ofstream(device / "idVendor") << d.vendor << "\n";
    std::ofstream(device / "idProduct") << d.product << "\n";
    if (*d.productName != '\0') std::ofstream(device / "product") << d.productName << "\n";
    if (*d.tty != '\0') fs::create_directories(device / d.tty);
  }
  fs::create_directories(usb / "1-3:1.0");
  std::vector<std::string> adapters = AdaptersWithoutTty(usb.string());
  std::sort(adapters.begin(), adapters.end());
  EXPECT_EQ(adapters, (std::vector<std::string>{"USB Serial (1a86:7523)",
                                                "a USB serial adapter (067b:2303)"}));
  EXPECT_EQ(NoSuchDeviceCause("/dev/ttyUSB0", {"USB Serial (1a86:7523)"}),
            "/dev/ttyUSB0: no such device; USB Serial (1a86:7523) is plugged in without a serial "
            "port: another driver may have claimed it, such as brltty's for braille displays "
            "(sudo apt remove brltty, or sudo systemctl mask brltty-udev.service), then plug it "
            "in again");
  EXPECT_EQ(NoSuchDeviceCause("/dev/ttyUSB0", {}),
            "/dev/ttyUSB0: no such device; check that the adapter is plugged in and the name is "
            "right");
  EXPECT_TRUE(AdaptersWithoutTty(dir.Path("none")).empty());
}

TEST(UsbAdaptersTest, ModemManagerAndBrlttyHoldingAPortGetHowToStopThem) {
  EXPECT_EQ(DesktopHolderAdvice({"minicom (process 7)"}), "");
  EXPECT_EQ(DesktopHolderAdvice({"ModemManager (process 640)"}),
            " (ModemManager probes new ports: install the Brenvik package's udev rule, or sudo "
            "systemctl stop ModemManager)");
  EXPECT_EQ(DesktopHolderAdvice({"brltty (process 812)", "brltty (process 813)"}),
            " (brltty takes the adapter for a braille display: sudo apt remove brltty, or sudo "
            "systemctl mask brltty-udev.service)");
}

}  // namespace
}  // namespace brenvik
