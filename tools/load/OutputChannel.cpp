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
  const FileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (!null.IsOpen()) return;
  saved_.Reset(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3));
  if (saved_.IsOpen()) ::dup2(null.Get(), STDOUT_FILENO);
}

MutedStdout::~MutedStdout() {
  if (!saved_.IsOpen()) return;
  std::fflush(stdout);
  ::dup2(saved_.Get(), STDOUT_FILENO);
}

}  // namespace brenvik::load
