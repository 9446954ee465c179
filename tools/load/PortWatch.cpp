#include "tools/load/PortWatch.h"

#include <chrono>
#include <thread>

namespace brenvik::load {
namespace {

constexpr auto kLookInterval = std::chrono::milliseconds(200);

}  // namespace

std::string WatchedPath(const PortName& name) {
  return name.devicePath.empty() ? SerialPort::DevicePathFor(name.portNumber) : name.devicePath;
}

bool WaitForPort(SerialPort& port, const PortName& name, const std::atomic<bool>& stop,
                 const WarningSink& warn) {
  const std::string path = WatchedPath(name);
  std::string toldCause;
  while (!stop) {
    if (!path.empty() && !PathTarget(path).empty()) {
      const Result<> opened = port.OpenPort(name);
      if (opened) return true;
      if (opened.error() != toldCause) {
        warn(opened.error() + "; waiting");
        toldCause = opened.error();
      }
    }
    std::this_thread::sleep_for(kLookInterval);
  }
  return false;
}

bool WaitUntilGone(SerialPort& port, const std::string& path, const std::string& target,
                   const std::atomic<bool>& stop) {
  while (!stop) {
    if (port.CheckWentAway() || PathTarget(path) != target) return true;
    std::this_thread::sleep_for(kLookInterval);
  }
  return false;
}

}  // namespace brenvik::load
