#include "tools/load/DownloadRecord.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "download/StatusText.h"
#include "tools/load/RecordIdentity.h"

namespace brenvik::load {
namespace {

// `path` made absolute, both in UTF-8: a std::string path would be taken in
// the ANSI code page on Windows. As given when the working folder is gone.
std::string AbsolutePath(const std::string& path) {
  const std::u8string utf8(path.begin(), path.end());
  std::error_code error;
  const std::u8string absolute = std::filesystem::absolute(utf8, error).u8string();
  return error ? path : std::string(absolute.begin(), absolute.end());
}

}  // namespace

DownloadResult ResultOf(const DownloadProgress& progress) {
  return {progress.Completed() ? kCompleted : kDownloadFailed, StatusTextOf(progress)};
}

LoadRecord DownloadRecord(const LoadFile& file, int entries, const PortIdentity& port,
                          const DownloadResult& result, std::string time, double seconds,
                          const RunIdentity& run, int device) {
  const bool isDb = file.kind == DownloadKind::Db;
  LoadRecord record;
  record.time = std::move(time);
  record.port = port.path;
  record.portById = port.byId;
  record.kind = isDb ? "DB" : "MMI";
  record.file = AbsolutePath(file.path);
  record.sha256 = file.sha256;
  record.entries = isDb ? entries : 1;
  record.status = result.text;
  record.exitCode = result.exitCode;
  record.seconds = seconds;
  record.id = RandomUuid();
  record.run = run.run;
  record.station = run.station;
  record.operatorName = run.operatorName;
  record.jobName = run.jobName;
  record.jobSha256 = run.jobSha256;
  record.device = device;
  record.adapterSerial = port.adapterSerial;
  return record;
}

}  // namespace brenvik::load
