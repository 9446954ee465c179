#include "serial/UsbAdaptersPosix.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace brenvik {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

bool IsSerialAdapter(const std::string& vendor, const std::string& product) {
  return vendor == "0403" || vendor == "1a86" || vendor == "067b" ||
         (vendor == "10c4" && product == "ea60");
}

// A tty shows as a folder named tty* under one of the device's interfaces
// (ttyUSB0 for a usb-serial driver, tty/ttyACM0 for cdc_acm).
bool HasTty(const fs::path& device) {
  std::error_code error;
  fs::recursive_directory_iterator entry(device, error);
  for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
    if (entry.depth() > 2) {
      entry.disable_recursion_pending();
      continue;
    }
    if (entry->is_directory(error) && entry->path().filename().string().rfind("tty", 0) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> AdaptersWithoutTty(const std::string& usbDevicesFolder) {
  std::vector<std::string> adapters;
  std::error_code error;
  fs::directory_iterator entry(usbDevicesFolder, error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    // Interfaces ("1-2:1.0") are listed beside their devices.
    if (entry->path().filename().string().find(':') != std::string::npos) continue;
    std::error_code real;
    const fs::path device = fs::canonical(entry->path(), real);
    if (real) continue;
    const std::string vendor = FirstLine(device / "idVendor");
    const std::string product = FirstLine(device / "idProduct");
    if (!IsSerialAdapter(vendor, product) || HasTty(device)) continue;
    const std::string name = FirstLine(device / "product");
    std::string adapter = name.empty() ? "a USB serial adapter" : name;
    adapter += " (" + vendor + ":";
    adapter += product + ")";
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

std::string NoSuchDeviceCause(const std::string& path, const std::vector<std::string>& adapters) {
  if (adapters.empty()) {
    return path + ": no such device; check that the adapter is plugged in and the name is right";
  }
  std::string named;
  for (const std::string& adapter : adapters) named += (named.empty() ? "" : ", ") + adapter;
  return path + ": no such device; " + named + (adapters.size() > 1 ? " are" : " is") +
         " plugged in without a serial port: another driver may have claimed it, such as "
         "brltty's for braille displays (sudo apt remove brltty, or sudo systemctl mask "
         "brltty-udev.service), then plug it in again";
}

// ModemManager and brltty take a new port by themselves; closing them is not
// enough, as they come back with the next adapter.
std::string DesktopHolderAdvice(const std::vector<std::string>& holders) {
  std::string advice;
  for (const std::string& holder : holders) {
    if (holder.rfind("ModemManager ", 0) == 0 && advice.find("ModemManager") == std::string::npos) {
      advice +=
          " (ModemManager probes new ports: install the Brenvik package's udev rule, or sudo "
          "systemctl stop ModemManager)";
    }
    if (holder.rfind("brltty ", 0) == 0 && advice.find("brltty") == std::string::npos) {
      advice +=
          " (brltty takes the adapter for a braille display: sudo apt remove brltty, or sudo "
          "systemctl mask brltty-udev.service)";
    }
  }
  return advice;
}

}  // namespace brenvik
