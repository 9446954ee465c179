#include "serial/PortName.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "serial/PortList.h"  // ByIdPathFor

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

}  // namespace
}  // namespace brenvik
