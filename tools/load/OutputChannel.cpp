#include "tools/load/OutputChannel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

MutedStdout::MutedStdout(bool mute) {
  if (!mute) return;
  std::fflush(stdout);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  saved_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (saved_ >= 0) ::dup2(null, STDOUT_FILENO);
  ::close(null);
}

MutedStdout::~MutedStdout() {
  if (saved_ < 0) return;
  std::fflush(stdout);
  ::dup2(saved_, STDOUT_FILENO);
  ::close(saved_);
}

}  // namespace brenvik::load
