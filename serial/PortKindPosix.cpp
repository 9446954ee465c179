// Linux: what kind of port a tty is, from sysfs.

#include "serial/PortKind.h"

#include <filesystem>
#include <system_error>

namespace brenvik {
namespace {

namespace fs = std::filesystem;

// The last part of the link `name` in `folder` ("serial8250" of
// ".../bus/platform/drivers/serial8250"); empty without one.
std::string LinkedName(const fs::path& folder, const char* name) {
  std::error_code error;
  const fs::path target = fs::read_symlink(folder / name, error);
  return error ? std::string() : target.filename().string();
}

}  // namespace

bool IsBuiltInPort(const std::string& devicePath, const std::string& ttyClassFolder) {
  // A by-id name is a link to the tty ("../../ttyUSB0"); the tty's name is the
  // last one in the chain of links.
  fs::path path = devicePath;
  std::error_code error;
  for (int hop = 0; hop < 8 && fs::is_symlink(path, error); ++hop) {
    const fs::path target = fs::read_symlink(path, error);
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  const std::string tty = path.filename().string();
  if (tty.empty()) return false;
  fs::path device = fs::canonical(fs::path(ttyClassFolder) / tty / "device", error);
  // Kernels from 6.5 put each 8250-style port on the serial-base bus, as a
  // "port" below a "ctrl" below the hardware's own device.
  for (int level = 0; !error && level < 4; ++level) {
    const std::string bus = LinkedName(device, "subsystem");
    if (bus != "serial-base") {
      return LinkedName(device, "driver") == "serial8250" || bus == "pnp" || bus == "platform";
    }
    device = device.parent_path();
  }
  return false;
}

}  // namespace brenvik
