// Linux: the ports present, through libserialport and sysfs.

#include "serial/PortList.h"

#include <libserialport.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "serial/PortKind.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

struct PortListDeleter {
  void operator()(sp_port** list) const { sp_free_port_list(list); }
};
using OwnedPortList = std::unique_ptr<sp_port*, PortListDeleter>;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string ListError(sp_return code) {
  switch (code) {
    case SP_ERR_FAIL: {
      char* message = sp_last_error_message();
      std::string text = Text(message);
      if (message != nullptr) sp_free_error_message(message);
      return text.empty() ? "the system gave no reason" : text;
    }
    case SP_ERR_MEM:
      return "out of memory";
    case SP_ERR_SUPP:
      return "not supported on this system";
    default:
      return "libserialport error " + std::to_string(static_cast<int>(code));
  }
}

bool IsCharacterDevice(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// Kernels from 6.5 bind each serial8250-style port to the serial-base bus's
// own "port" and "ctrl" drivers; the hardware's driver sits on a device above.
std::string DriverOf(const std::string& devicePath) {
  std::error_code error;
  fs::path device = fs::canonical(
      fs::path("/sys/class/tty") / fs::path(devicePath).filename().string() / "device", error);
  for (int level = 0; !error && level < 4; ++level) {
    const fs::path driver = fs::read_symlink(device / "driver", error);
    if (error) break;
    if (driver.string().find("/bus/serial-base/") == std::string::npos) {
      return driver.filename().string();
    }
    device = device.parent_path();
  }
  return {};
}

}  // namespace

std::optional<int> LatencyTimerOf(const std::string& devicePath,
                                  const std::string& usbSerialFolder) {
  std::error_code error;
  const fs::path real = fs::canonical(devicePath, error);
  const std::string tty = (error ? fs::path(devicePath) : real).filename().string();
  std::ifstream file(fs::path(usbSerialFolder) / tty / "latency_timer");
  int ms = -1;
  if (!(file >> ms) || ms < 0) return std::nullopt;
  return ms;
}

Result<std::vector<PortInfo>> ListPorts(const std::string& byIdFolder) {
  sp_port** raw = nullptr;
  const sp_return listed = sp_list_ports(&raw);
  if (listed != SP_OK || raw == nullptr) {
    return Error{"cannot list the serial ports: " + ListError(listed)};
  }
  std::vector<PortInfo> ports;
  const OwnedPortList list(raw);
  for (sp_port** entry = list.get(); *entry != nullptr; ++entry) {
    const sp_port* port = *entry;
    PortInfo info;
    info.path = Text(sp_get_port_name(port));
    // The system may know of a port whose node this machine never made.
    if (!IsCharacterDevice(info.path)) continue;
    info.description = Text(sp_get_port_description(port));
    if (sp_get_port_transport(port) == SP_TRANSPORT_USB) {
      info.manufacturer = Text(sp_get_port_usb_manufacturer(port));
      info.product = Text(sp_get_port_usb_product(port));
      info.serialNumber = Text(sp_get_port_usb_serial(port));
      int vendor = -1;
      int product = -1;
      if (sp_get_port_usb_vid_pid(port, &vendor, &product) == SP_OK && vendor >= 0 &&
          product >= 0) {
        info.usbVendorId = static_cast<uint16_t>(vendor);
        info.usbProductId = static_cast<uint16_t>(product);
      }
    }
    info.byIdPath = ByIdPathFor(info.path, byIdFolder);
    info.driver = DriverOf(info.path);
    info.latencyTimerMs = LatencyTimerOf(info.path);
    info.builtIn = IsBuiltInPort(info.path);
    ports.push_back(std::move(info));
  }
  SortPorts(ports);
  return ports;
}

}  // namespace brenvik
