#include "tools/load/LoadLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <nlohmann/json.hpp>
#include <system_error>

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
  char text[40] = "";
  if (::localtime_r(&when, &local) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local) == 0) {
    return text;
  }
  // strftime gives the offset as +0100; ISO 8601 extended format wants +01:00.
  std::string iso = text;
  if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");
  return iso;
}

LoadLog::~LoadLog() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> LoadLog::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    return "cannot open the log " + path +
           " for appending: " + std::generic_category().message(errno);
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  path_ = path;
  return std::nullopt;
}

std::optional<std::string> LoadLog::Append(const LoadRecord& record) {
  const std::string line = RecordLine(record);
  ssize_t written = -1;
  do {
    written = ::write(fd_, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(line.size())) return std::nullopt;
  const std::string cause =
      written < 0 ? std::generic_category().message(errno) : "the disk is full";
  return "cannot write to the log " + path_ + ": " + cause;
}

}  // namespace brenvik::load
