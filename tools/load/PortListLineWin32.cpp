#include "tools/load/PortListLine.h"

namespace brenvik::load {

// The friendly name is what Device Manager shows: "USB Serial Port (COM5)".
std::string PortListLine(const PortInfo& port) {
  const std::string friendly = port.description.empty() ? PortDescription(port) : port.description;
  return port.path + "\t" + OrDash(friendly) + "\t" + UsbIdsColumn(port) + "\t" +
         OrDash(port.serialNumber) + "\n";
}

}  // namespace brenvik::load
