#include "base/FileDescriptor.h"

#include <io.h>

namespace brenvik {

// A descriptor of the C runtime (_open, _wopen, _dup), not a Windows handle:
// the serial port owns its handle itself.
void FileDescriptor::Reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) ::_close(fd_);
  fd_ = fd;
}

}  // namespace brenvik
