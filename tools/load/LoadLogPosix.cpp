#include "tools/load/LoadLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

namespace brenvik::load {

std::string LocalTimeIso8601(std::time_t when) {
  std::tm local{};
  if (::localtime_r(&when, &local) == nullptr) return {};
  return FormatIso8601(local, local.tm_gmtoff);
}

Result<> LoadLog::Open(const std::string& path) {
  const std::string what = "cannot open the log " + path + " for appending";
  // O_NONBLOCK so that a log nothing can be written to yet (a FIFO without a
  // reader, a file under another program's lease) fails at once instead of
  // holding the loader before it has started.
  FileDescriptor fd(
      ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
  if (!fd.IsOpen()) {
    const int errnum = errno;
    struct stat status {};
    if (errnum == ENXIO && ::stat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode)) {
      return Error{what + ": it is a FIFO with no reader"};
    }
    if (errnum == EWOULDBLOCK) return Error{what + ": another program holds a lease on it"};
    return SystemError(what, errnum);
  }
  // Once open, the records are written as to any file: a pipe's reader that
  // falls behind slows the loader down rather than losing a line.
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) < 0) {
    const int errnum = errno;
    return SystemError(what, errnum);
  }
  fd_ = std::move(fd);
  path_ = path;
  return {};
}

Result<> LoadLog::Append(const LoadRecord& record) {
  const std::string line = RecordLine(record);
  // The line goes in one write. Should that come back short (the disk filled
  // up, a file size limit, in the middle of the line), the rest is written
  // after it: either the line ends whole, or the write that fails says why.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t written = ::write(fd_.Get(), line.data() + done, line.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      const int errnum = errno;
      return SystemError("cannot write to the log " + path_, errnum);
    }
    if (written == 0) return Error{"cannot write to the log " + path_ + ": nothing was written"};
    done += static_cast<std::size_t>(written);
  }
  return {};
}

}  // namespace brenvik::load
