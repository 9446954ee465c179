#include "tools/load/PortWatch.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

namespace brenvik::load {
namespace {

constexpr auto kLookInterval = std::chrono::milliseconds(200);

}  // namespace

std::string PathTarget(const std::string& path) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::canonical(path, error);
  return error ? std::string() : target.string();
}

std::string PortLogName(const std::string& path) {
  const std::string target = PathTarget(path);
  return target.empty() ? path : target;
}

void DiscardTypedInput(int fd) {
  if (::isatty(fd) == 1) (void)::tcflush(fd, TCIFLUSH);
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
