#include "tools/load/DownloadRecord.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "download/StatusText.h"

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
                          const DownloadResult& result, std::string time, double seconds) {
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
  return record;
}

}  // namespace brenvik::load
