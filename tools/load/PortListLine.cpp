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
  // Appended in place: g++ 12 at -O3 takes a literal put in front of a
  // temporary string for an overlapping copy.
  std::string columns = "\t";
  columns += OrDash(port.driver);
  columns += '\t';
  columns += port.latencyTimerMs ? std::to_string(*port.latencyTimerMs) + " ms" : "-";
  return columns;
}

}  // namespace brenvik::load
