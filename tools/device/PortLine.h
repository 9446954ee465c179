#pragma once

#include <cstddef>
#include <cstdint>

#include "serial/DevicePort.h"
#include "tools/device/AnsweringDevice.h"

namespace brenvik::device {

// A serial port as the line the device answers on (brenvik-device --device).
// The port's reads never block, so a Read that finds nothing idles briefly
// instead of waiting on the port.
class PortLine final : public DeviceLine {
 public:
  explicit PortLine(DevicePort& port) : port_(port) {}

  std::size_t Read(uint8_t* buffer, std::size_t size, int timeoutMs) override;
  bool Write(uint8_t byte) override;

 private:
  DevicePort& port_;
};

}  // namespace brenvik::device
