#include "base/FileDescriptor.h"

#include <unistd.h>

namespace brenvik {

void FileDescriptor::Reset(int fd) {
  // close() releases the descriptor even when it reports EINTR on Linux, so
  // it is never retried: the number may already belong to another open.
  if (fd_ >= 0 && fd_ != fd) ::close(fd_);
  fd_ = fd;
}

}  // namespace brenvik
