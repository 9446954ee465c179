// Windows: what kind of port a COM port is, from Device Manager's port list.

#include "serial/PortKind.h"

#include <cctype>

#include "serial/PortList.h"
#include "serial/PortName.h"

namespace brenvik {
namespace {

bool SameComName(const std::string& one, const std::string& other) {
  if (one.size() != other.size()) return false;
  for (std::size_t i = 0; i < one.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(one[i])) !=
        std::toupper(static_cast<unsigned char>(other[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsBuiltInPort(const std::string& devicePath, const std::string& /*ttyClassFolder*/) {
  const Result<std::vector<PortInfo>> listed = ListPorts();
  if (!listed) return false;
  const std::string comName = DisplayPortName(devicePath);
  for (const PortInfo& port : *listed) {
    if (SameComName(port.path, comName)) return port.builtIn;
  }
  return false;
}

}  // namespace brenvik
