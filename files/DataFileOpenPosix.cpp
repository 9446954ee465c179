#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileDescriptor.h"
#include "files/Console.h"
#include "files/DataFileOpen.h"

namespace brenvik {
namespace {

Error OpenError(const std::string& path, int errnum) {
  ConsoleReportError("Error opening file", errnum);
  return SystemError(path + ": Error opening file", errnum);
}

}  // namespace

Result<FilePointer> OpenDataFile(const std::string& path) {
  // Non-blocking, so that a FIFO chosen by mistake cannot hold the caller
  // until something writes to it.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.IsOpen()) return OpenError(path, errno);
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return Error{path + ": not a regular file"};
  }
  std::FILE* file = ::fdopen(fd.Get(), "rb");
  if (file == nullptr) return OpenError(path, errno);
  fd.Release();  // the stream owns it from here on
  return FilePointer(file);
}

}  // namespace brenvik
