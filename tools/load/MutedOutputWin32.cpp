#include "tools/load/OutputChannel.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace brenvik::load {

// The runtime hands descriptor 1's new handle on to the process's standard
// output handle too, so output through either is muted.
MutedStdout::MutedStdout(bool mute) {
  if (!mute) return;
  std::fflush(stdout);
  const FileDescriptor null(::_open("NUL", _O_WRONLY | _O_NOINHERIT));
  if (!null.IsOpen()) return;
  saved_.Reset(::_dup(1));
  if (saved_.IsOpen()) ::_dup2(null.Get(), 1);
}

MutedStdout::~MutedStdout() {
  if (!saved_.IsOpen()) return;
  std::fflush(stdout);
  ::_dup2(saved_.Get(), 1);
}

}  // namespace brenvik::load
