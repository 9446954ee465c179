#include "tools/load/PortListLine.h"

#include <filesystem>
#include <system_error>

namespace brenvik::load {

std::string PortListLine(const PortInfo& port) {
  return port.path + "\t" + OrDash(port.byIdPath) + "\t" + OrDash(PortDescription(port)) + "\t" +
         UsbIdsColumn(port) + "\t" + OrDash(port.serialNumber) + DriverColumns(port) + "\n";
}

// The loader asks the driver for low latency at every open; a timer still
// above 2 ms means the driver did not take it.
std::string LatencyTimerWarning(const std::string& devicePath, std::optional<int> latencyMs) {
  if (!latencyMs || *latencyMs <= 2) return {};
  std::error_code error;
  const std::filesystem::path real = std::filesystem::weakly_canonical(devicePath, error);
  const std::string tty = (error ? std::filesystem::path(devicePath) : real).filename().string();
  return devicePath + ": the adapter's latency timer is " + std::to_string(*latencyMs) +
         " ms, so every answer may wait that long; set it to 1 ms as root: echo 1 > " +
         kUsbSerialFolder + "/" + tty + "/latency_timer";
}

}  // namespace brenvik::load
