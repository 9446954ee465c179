#include "tools/load/LoadLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

#include "res/Version.h"

namespace brenvik::load {

std::string RecordLine(const LoadRecord& record) {
  const nlohmann::ordered_json json = {
      {"time", record.time},
      {"port", record.port},
      {"port_by_id", record.portById.empty() ? nlohmann::ordered_json(nullptr)
                                             : nlohmann::ordered_json(record.portById)},
      {"kind", record.kind},
      {"file", record.file},
      {"sha256", record.sha256},
      {"entries", record.entries},
      {"status", record.status},
      {"exit_code", record.exitCode},
      {"seconds", std::round(record.seconds * 1000.0) / 1000.0},
      {"version", kVersion},
  };
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string LocalTimeIso8601(std::time_t when) {
  std::tm local{};
  char date[32] = "";
  if (::localtime_r(&when, &local) == nullptr ||
      std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local) == 0) {
    return {};
  }
  // strftime's %z gives +0100; ISO 8601's extended format wants +01:00.
  const long offset = local.tm_gmtoff;
  const int minutes = static_cast<int>((offset < 0 ? -offset : offset) / 60);
  char text[64];
  std::snprintf(text, sizeof text, "%s%c%02d:%02d", date, offset < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return text;
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
