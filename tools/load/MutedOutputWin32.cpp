#include "tools/load/OutputChannel.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace brenvik::load {

// The runtime hands descriptor 1's or 2's new handle on to the process's
// standard handle too, so output through either is muted.
MutedOutput::MutedOutput(int fd, bool mute) : fd_(fd) {
  if (!mute) return;
  std::fflush(stdout);
  std::fflush(stderr);
  const FileDescriptor null(::_open("NUL", _O_WRONLY | _O_NOINHERIT));
  if (!null.IsOpen()) return;
  saved_.Reset(::_dup(fd_));
  if (saved_.IsOpen()) ::_dup2(null.Get(), fd_);
}

MutedOutput::~MutedOutput() {
  if (!saved_.IsOpen()) return;
  std::fflush(stdout);
  std::fflush(stderr);
  ::_dup2(saved_.Get(), fd_);
}

}  // namespace brenvik::load
