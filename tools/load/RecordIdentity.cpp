#include "tools/load/RecordIdentity.h"

#include "download/FileDigest.h"

namespace brenvik::load {

std::string UuidV4Text(std::array<unsigned char, 16> bytes) {
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);
  const std::string hex = LowerHex(bytes.data(), bytes.size());
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
         hex.substr(16, 4) + "-" + hex.substr(20);
}

std::string AdapterSerial(const std::vector<PortInfo>& ports, const std::string& logName) {
  for (const PortInfo& port : ports) {
    if (port.path == logName) return port.serialNumber;
  }
  return {};
}

}  // namespace brenvik::load
