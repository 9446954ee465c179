#include "tools/load/OutputChannel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace brenvik::load {

MutedOutput::MutedOutput(int fd, bool mute) : fd_(fd) {
  if (!mute) return;
  std::fflush(stdout);
  std::fflush(stderr);
  const FileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (!null.IsOpen()) return;
  saved_.Reset(::fcntl(fd_, F_DUPFD_CLOEXEC, 3));
  if (saved_.IsOpen()) ::dup2(null.Get(), fd_);
}

MutedOutput::~MutedOutput() {
  if (!saved_.IsOpen()) return;
  std::fflush(stdout);
  std::fflush(stderr);
  ::dup2(saved_.Get(), fd_);
}

}  // namespace brenvik::load
