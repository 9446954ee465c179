#include "tools/load/LoadLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace brenvik::load {

std::string LocalTimeIso8601(std::time_t when) {
  std::tm local{};
  if (::localtime_r(&when, &local) == nullptr) return {};
  return FormatIso8601(local, local.tm_gmtoff);
}

Result<> LoadLog::Open(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.IsOpen()) {
    const int errnum = errno;
    return SystemError("cannot open the log " + path + " for appending", errnum);
  }
  fd_ = std::move(fd);
  path_ = path;
  return {};
}

Result<> LoadLog::Append(const LoadRecord& record) {
  const std::string line = RecordLine(record);
  ssize_t written = -1;
  do {
    written = ::write(fd_.Get(), line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(line.size())) return {};
  if (written < 0) {
    const int errnum = errno;
    return SystemError("cannot write to the log " + path_, errnum);
  }
  return Error{"cannot write to the log " + path_ + ": the disk is full"};
}

}  // namespace brenvik::load
