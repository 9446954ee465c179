#include "tools/load/OutputChannel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace brenvik::load {

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
