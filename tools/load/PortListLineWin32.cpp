#include "tools/load/PortListLine.h"

namespace brenvik::load {

// The friendly name is what Device Manager shows: "USB Serial Port (COM5)".
std::string PortListLine(const PortInfo& port) {
  const std::string friendly = port.description.empty() ? PortDescription(port) : port.description;
  return port.path + "\t" + OrDash(friendly) + "\t" + UsbIdsColumn(port) + "\t" +
         OrDash(port.serialNumber) + DriverColumns(port) + "\n";
}

std::string LatencyTimerWarning(const std::string& devicePath, std::optional<int> latencyMs) {
  if (!latencyMs || *latencyMs <= 2) return {};
  return DisplayPortName(devicePath) + ": the adapter's latency timer is " +
         std::to_string(*latencyMs) +
         " ms, so every answer may wait that long; set it to 1 ms in Device Manager: the "
         "port's Properties, Port Settings, Advanced, Latency Timer";
}

}  // namespace brenvik::load
