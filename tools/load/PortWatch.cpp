#include "tools/load/PortWatch.h"

#include <chrono>
#include <thread>

namespace brenvik::load {
namespace {

constexpr auto kLookInterval = std::chrono::milliseconds(200);
constexpr auto kSettleTime = std::chrono::seconds(2);

}  // namespace

void NodeSettling::Look(const std::string& target, Clock::time_point now) {
  if (target.empty()) {
    appearedAt_.reset();
  } else if (looked_ && target != last_) {
    appearedAt_ = now;
  }
  looked_ = true;
  last_ = target;
}

bool NodeSettling::Settling(Clock::time_point now) const {
  return appearedAt_ && now - *appearedAt_ < kSettleTime;
}

std::string WatchedPath(const PortName& name) {
  return name.devicePath.empty() ? SerialPort::DevicePathFor(name.portNumber) : name.devicePath;
}

bool WaitForPort(SerialPort& port, const PortName& name, const std::atomic<bool>& stop,
                 const WarningSink& warn) {
  const std::string path = WatchedPath(name);
  std::string toldCause;
  NodeSettling settling;
  while (!stop) {
    const auto now = NodeSettling::Clock::now();
    const std::string target = path.empty() ? std::string() : PathTarget(path);
    settling.Look(target, now);
    if (!target.empty()) {
      const Result<> opened = port.OpenPort(name);
      if (opened) return true;
      if (!settling.Settling(now) && opened.error() != toldCause) {
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
