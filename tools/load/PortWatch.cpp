#include "tools/load/PortWatch.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

namespace brenvik::load {
namespace {

constexpr auto kLookInterval = std::chrono::milliseconds(200);

}  // namespace

std::string WatchedPath(const PortName& name) {
  return name.devicePath.empty() ? SerialPort::DevicePathFor(name.portNumber) : name.devicePath;
}

std::string PathTarget(const std::string& path) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::canonical(path, error);
  return error ? std::string() : target.string();
}

bool WaitForPort(SerialPort& port, const PortName& name, const std::atomic<bool>& stop,
                 const Tell& tell) {
  const std::string path = WatchedPath(name);
  std::string toldCause;
  while (!stop) {
    if (!path.empty() && !PathTarget(path).empty()) {
      const Result<> opened = port.OpenPort(name);
      if (opened) return true;
      if (opened.error() != toldCause) {
        tell("cannot open port " + name.text + ": " + opened.error() + "; waiting");
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

bool WaitForEnter(int fd, const std::atomic<bool>& stop) {
  while (!stop) {
    pollfd input{fd, POLLIN, 0};
    const int ready = ::poll(&input, 1, static_cast<int>(kLookInterval.count()));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    char byte = 0;
    const ssize_t n = ::read(fd, &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (byte == '\n') return true;
  }
  return false;
}

}  // namespace brenvik::load
