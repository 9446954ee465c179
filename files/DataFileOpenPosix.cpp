#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileDescriptor.h"
#include "files/DataFileOpen.h"

namespace brenvik {

Result<FilePointer> OpenDataFile(const std::string& path, ConsoleChannel& console) {
  // Non-blocking, so that a FIFO chosen by mistake cannot hold the caller
  // until something writes to it.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.IsOpen()) return DataFileOpenError(path, errno, console);
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return NotARegularFile(path);
  }
  std::FILE* file = ::fdopen(fd.Get(), "rb");
  if (file == nullptr) return DataFileOpenError(path, errno, console);
  fd.Release();  // the stream owns it from here on
  return FilePointer(file);
}

}  // namespace brenvik
