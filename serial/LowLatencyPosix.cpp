#include "serial/LowLatencyPosix.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace brenvik {
namespace {

class IoctlSerialFlags final : public SerialFlagsDriver {
 public:
  int Get(int fd, serial_struct& settings) override {
    return ::ioctl(fd, TIOCGSERIAL, &settings) == 0 ? 0 : errno;
  }
  int Set(int fd, const serial_struct& settings) override {
    return ::ioctl(fd, TIOCSSERIAL, &settings) == 0 ? 0 : errno;
  }
};

}  // namespace

SerialFlagsDriver& SystemSerialFlags() {
  static IoctlSerialFlags driver;
  return driver;
}

bool RequestLowLatency(int fd, SerialFlagsDriver& driver) {
  serial_struct settings{};
  if (driver.Get(fd, settings) != 0 || (settings.flags & ASYNC_LOW_LATENCY) != 0) return false;
  settings.flags |= ASYNC_LOW_LATENCY;
  return driver.Set(fd, settings) == 0;
}

void RestoreLatency(int fd, SerialFlagsDriver& driver) {
  serial_struct settings{};
  if (driver.Get(fd, settings) != 0) return;
  settings.flags &= ~static_cast<int>(ASYNC_LOW_LATENCY);
  (void)driver.Set(fd, settings);
}

}  // namespace brenvik
