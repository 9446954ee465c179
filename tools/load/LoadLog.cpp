#include "tools/load/LoadLog.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "download/FileDigest.h"
#include "res/Version.h"

namespace brenvik::load {
namespace {

// Whether `text` is valid UTF-8, by the same rules the line is written with.
bool IsUtf8(const std::string& text) {
  try {
    (void)nlohmann::json(text).dump();
    return true;
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
}

}  // namespace

std::string RecordLine(const LoadRecord& record) {
  nlohmann::ordered_json json;
  json["time"] = record.time;
  json["port"] = record.port;
  json["port_by_id"] = record.portById.empty() ? nlohmann::ordered_json(nullptr)
                                               : nlohmann::ordered_json(record.portById);
  json["kind"] = record.kind;
  json["file"] = record.file;
  // A file name in a legacy encoding loses its bad bytes to U+FFFD in `file`;
  // its exact bytes go beside it, so the log still names the file.
  if (!IsUtf8(record.file)) {
    json["file_hex"] =
        LowerHex(reinterpret_cast<const unsigned char*>(record.file.data()), record.file.size());
  }
  json["sha256"] = record.sha256;
  json["entries"] = record.entries;
  json["status"] = record.status;
  json["exit_code"] = record.exitCode;
  json["seconds"] = std::round(record.seconds * 1000.0) / 1000.0;
  json["version"] = kVersion;
  const auto orNull = [](const std::string& text) {
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
  };
  json["id"] = record.id;
  json["run"] = record.run;
  json["station"] = record.station;
  json["operator"] = orNull(record.operatorName);
  json["job"] = record.jobName.empty() ? nlohmann::ordered_json(nullptr)
                                       : nlohmann::ordered_json{{"name", record.jobName},
                                                                {"sha256", record.jobSha256}};
  json["device"] = record.device;
  json["adapter_serial"] = orNull(record.adapterSerial);
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
