#include "tools/device/PortLine.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace brenvik::device {
namespace {

// How long a Read that found nothing idles at most; a character takes about
// a millisecond at 9600 baud.
constexpr int kIdleMs = 2;

}  // namespace

std::size_t PortLine::Read(uint8_t* buffer, std::size_t size, int timeoutMs) {
  const int n = port_.Read(buffer, static_cast<int>(size));
  if (n > 0) return static_cast<std::size_t>(n);
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, kIdleMs)));
  return 0;
}

bool PortLine::Write(uint8_t byte) { return port_.Write(&byte, 1) == 1; }

}  // namespace brenvik::device
