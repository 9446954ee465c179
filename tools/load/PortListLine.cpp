#include "tools/load/PortListLine.h"

#include <cstdio>

namespace brenvik::load {

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

std::string UsbIdsColumn(const PortInfo& port) {
  if (!port.usbVendorId || !port.usbProductId) return "-";
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x:%04x", *port.usbVendorId, *port.usbProductId);
  return ids;
}

std::string DriverColumns(const PortInfo& port) {
  const std::string latency =
      port.latencyTimerMs ? std::to_string(*port.latencyTimerMs) + " ms" : "-";
  return "\t" + OrDash(port.driver) + "\t" + latency;
}

}  // namespace brenvik::load
