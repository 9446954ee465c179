#include "tools/load/LoadLog.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

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

std::string FormatIso8601(const std::tm& local, long offsetSeconds) {
  char date[32] = "";
  if (std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local) == 0) return {};
  // strftime's %z gives +0100; ISO 8601's extended format wants +01:00.
  const int minutes = static_cast<int>((offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60);
  char text[64];
  std::snprintf(text, sizeof text, "%s%c%02d:%02d", date, offsetSeconds < 0 ? '-' : '+',
                minutes / 60, minutes % 60);
  return text;
}

}  // namespace brenvik::load
