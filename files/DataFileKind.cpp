#include "files/DataFileKind.h"

#include <optional>

#include "files/DataFileLines.h"
#include "files/DecimalNumber.h"
#include "files/FieldSplitter.h"

namespace brenvik {
namespace {

// Long enough for either kind's first line.
constexpr std::size_t kMaxFirstLineLength = 199;

}  // namespace

DataFileKind FirstLineKind(std::string_view line) {
  // The newline would count as a field of its own behind a trailing comma.
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  FieldSplitter fields(line);
  const std::optional<std::string_view> first = fields.Next();
  if (!first) return DataFileKind::Unknown;
  const bool number = ReadDecimal(*first).kind != DecimalNumber::Kind::kNone;
  const bool more = fields.Next().has_value();
  if (number && !more) return DataFileKind::Db;
  if (!number && more) return DataFileKind::Mmi;
  return DataFileKind::Unknown;
}

DataFileKind GuessDataFileKind(const std::string& path) {
  // A guess says nothing of a file it cannot open: its reader does.
  DataFileLines file(path, kMaxFirstLineLength);
  if (!file.Open()) return DataFileKind::Unknown;
  std::string line;
  const Result<DataFileLines::Status> first = file.NextLine(line);
  if (!first || *first == DataFileLines::Status::kEnd) return DataFileKind::Unknown;
  return FirstLineKind(line);
}

}  // namespace brenvik
