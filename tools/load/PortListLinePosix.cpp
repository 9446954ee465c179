#include "tools/load/PortListLine.h"

namespace brenvik::load {

std::string PortListLine(const PortInfo& port) {
  return port.path + "\t" + OrDash(port.byIdPath) + "\t" + OrDash(PortDescription(port)) + "\t" +
         UsbIdsColumn(port) + "\t" + OrDash(port.serialNumber) + "\n";
}

}  // namespace brenvik::load
