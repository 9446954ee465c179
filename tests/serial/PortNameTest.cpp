#include "serial/PortName.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "serial/PortKind.h"
#include "serial/PortList.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAdapter = "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";

// A by-id folder as udev makes one: a link per adapter, to its device.
struct ByIdFolder {
  ByIdFolder() {
    std::string pattern = (fs::temp_directory_path() / "brenvik-by-id-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    fs::create_symlink("/dev/null", path / kAdapter, error);
    fs::create_symlink("/dev/zero", path / "usb-Other_Adapter-if00", error);
  }
  ~ByIdFolder() { fs::remove_all(path, error); }
  std::string Entry(const char* name) const { return (path / name).string(); }

  fs::path path;
  std::error_code error;
};

TEST(PortNameTest, ReadsComNumbersDevicePathsAndByIdNamesAndNothingElse) {
  const ByIdFolder byId;
  const std::string adapter = byId.Entry(kAdapter);
  const struct {
    std::string text;
    uint32_t portNumber;
    std::string devicePath;
  } cases[] = {{"COM1", 1, ""},
               {"COM48", 48, ""},
               {"COM12", 12, ""},
               {"com7", 7, ""},
               {"  COM3 ", 3, ""},
               {"/dev/pts/5", 0, "/dev/pts/5"},
               {" /dev/ttyUSB0 ", 0, "/dev/ttyUSB0"},
               {adapter, 0, adapter},
               {"./ttyX", 0, "./ttyX"},
               {"dev/pts/5", 0, "dev/pts/5"},
               {std::string(" ") + kAdapter + "\t", 0, adapter},
               // Everything else is port 0, which no open accepts.
               {"COM0", 0, ""},
               {"COM", 0, ""},
               {"COMx", 0, ""},
               {"COM1a", 0, ""},
               {"COM-1", 0, ""},
               {"", 0, ""},
               {"ttyS0", 0, ""},
               {"COM123456", 0, ""},
               {"usb-Unplugged_Adapter-if00", 0, ""},
               {".", 0, ""},
               {"..", 0, ""}};
  for (const auto& c : cases) {
    const PortName name = ParsePortName(c.text, byId.path.string());
    EXPECT_EQ(name.portNumber, c.portNumber) << "'" << c.text << "'";
    EXPECT_EQ(name.devicePath, c.devicePath) << "'" << c.text << "'";
  }
}

TEST(PortNameTest, ComNumbersOpenTheDeviceOneBelowAndPathsOpenAsTheyAre) {
  const struct {
    const char* text;
    const char* path;
  } cases[] = {{"COM1", "/dev/ttyS0"},
               {"com12", "/dev/ttyS11"},
               {"/dev/pts/5", "/dev/pts/5"},
               {R"(\\.\COM5)", ""},
               {"COM0", ""},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(PortPath(ParsePortName(c.text)), c.path) << c.text;
}

TEST(PortNameTest, ByIdLookupFindsTheLinkToTheDeviceOrNothing) {
  const ByIdFolder byId;
  EXPECT_EQ(ByIdPathFor("/dev/null", byId.path.string()), byId.Entry(kAdapter));
  EXPECT_EQ(ByIdPathFor("/dev/full", byId.path.string()), "");
  EXPECT_EQ(ByIdPathFor("/dev/null", byId.Entry("no-such-folder")), "");
}

// A sysfs of one tty: the device chain below it, outermost first, each with
// its bus and driver links as the kernel makes them.
TEST(PortNameTest, BuiltInPortsAreTheSerial8250PnpAndPlatformOnes) {
  const ByIdFolder root;
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
  const std::string classFolder = (root.path / "class").string();
  for (const auto& c : cases) {
    fs::path device = root.path / c.tty;
    for (const auto& [bus, driver] : c.chain) {
      fs::create_directories(device /= bus);
      fs::create_symlink("/sys/bus/" + bus, device / "subsystem");
      fs::create_symlink(fs::path("/sys/bus") / bus / "drivers" / driver, device / "driver");
    }
    fs::create_directories(root.path / "class" / c.tty);
    if (!c.chain.empty()) fs::create_symlink(device, root.path / "class" / c.tty / "device");
    // The same through a by-id link.
    fs::create_symlink("../../" + c.tty, root.path / ("usb-" + c.tty));
    for (const fs::path& port : {fs::path("/dev/" + c.tty), root.path / ("usb-" + c.tty)}) {
      EXPECT_EQ(IsBuiltInPort(port.string(), classFolder), c.builtIn) << port;
    }
  }
}

TEST(PortNameTest, LabelNamesTheDeviceWhatItIsAndItsSerialNumber) {
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
TEST(PortNameTest, ListShowsThisMachinesPortsAsDevicesWithLabels) {
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
