#include "tools/load/OutputChannel.h"

#include <unistd.h>

#include <cerrno>

namespace brenvik::load {

OutputChannel::OutputChannel(int fd) : fd_(fd) {}

bool OutputChannel::Write(std::string_view text) {
  std::lock_guard guard(lock_);
  while (on_ && !text.empty()) {
    const ssize_t n = ::write(fd_, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      on_ = false;
    }
  }
  return on_;
}

}  // namespace brenvik::load
