#include "files/DbFileReader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/Console.h"
#include "files/DataFileLines.h"
#include "files/DecimalNumber.h"
#include "files/FieldSplitter.h"
#include "files/TextField.h"

namespace brenvik {

namespace {

// A line of the DB file, its newline included.
constexpr std::size_t kMaxDbLineLength = 199;

// Fields 1 to 5 and the tail text are on every entry line.
constexpr int kFixedEntryFields = 6;

// Takes the fields of one entry line in order and names each by its number
// in messages.
struct EntryReader {
  std::string where;  // "path:line: "
  FieldSplitter fields;
  int fieldNumber = 0;  // of the field taken last, counted as the splitter counts
  std::vector<std::string>& warnings;

  std::string_view Take() {
    ++fieldNumber;
    // The field count was checked before any field is taken.
    return fields.Next().value_or(std::string_view{});
  }

  std::string What(const std::string& name) const {
    return where + "field " + std::to_string(fieldNumber) + " (" + name + ")";
  }

  // Reads a number; a field that does not begin with one reads as 0, as the
  // record was cleared.
  std::optional<std::string> TakeNumber(const std::string& name, int32_t& value) {
    const std::string_view field = Take();
    const DecimalNumber number = ReadDecimal(field);
    if (number.kind == DecimalNumber::Kind::kOutOfRange) {
      return What(name) + " is outside the 32-bit range";
    }
    WarnOfQuote(field, true, What(name), warnings);
    value = number.kind == DecimalNumber::Kind::kNumber ? number.value : 0;
    return std::nullopt;
  }

  // Returns the field, so the caller knows where the fields it used end.
  template <std::size_t N>
  std::string_view TakeText(const std::string& name, char (&dest)[N], std::size_t room) {
    const std::string_view text = Take();
    WarnOfQuote(text, false, What(name), warnings);
    StoreText(text, SlotOf(dest, room), What(name), warnings);
    return text;
  }
};

std::string Fields(int count) {
  return std::to_string(count) + (count == 1 ? " field" : " fields");
}

std::string SubEntryName(int k, const char* what) {
  return "sub-entry " + std::to_string(k + 1) + " " + what;
}

// Fills the cleared `record` from one entry line.
std::optional<std::string> ReadEntry(std::string_view line, std::string where, DbRecord& record,
                                     std::vector<std::string>& warnings) {
  const int fieldCount = FieldSplitter::CountFields(line);
  if (fieldCount < kFixedEntryFields) {
    return where + "entry has " + Fields(fieldCount) + ", needs at least " +
           std::to_string(kFixedEntryFields);
  }
  EntryReader entry{std::move(where), FieldSplitter(line), 0, warnings};
  entry.Take();
  entry.TakeText("code", record.code, kImageCodeRoom);
  int32_t number = 0;
  if (auto error = entry.TakeNumber("attribute", number)) {
    return error;
  }
  record.attribute = static_cast<uint8_t>(number);
  if (auto error = entry.TakeNumber("subEntryCount", number)) {
    return error;
  }
  record.subEntryCount = static_cast<uint8_t>(number);
  if (record.subEntryCount > kMaxSubEntries) {
    std::string read = std::to_string(number);
    if (number != record.subEntryCount) {
      read += " (low 8 bits " + std::to_string(record.subEntryCount) + ")";
    }
    return entry.where + "field 4 (subEntryCount) is " + read + ", above " +
           std::to_string(kMaxSubEntries);
  }
  const int needed = kFixedEntryFields + 2 * record.subEntryCount;
  if (fieldCount < needed) {
    return entry.where + "entry has " + Fields(fieldCount) + ", needs " + std::to_string(needed) +
           " for " + std::to_string(record.subEntryCount) + " sub-entries";
  }
  entry.TakeText("label", record.label, kImageLabelRoom);
  for (int k = 0; k < record.subEntryCount; ++k) {
    DbSubEntry& sub = record.subEntries[k];
    if (auto error = entry.TakeNumber(SubEntryName(k, "value"), sub.value)) {
      return error;
    }
    entry.TakeText(SubEntryName(k, "text"), sub.text, kImageSubTextRoom);
  }
  const std::string_view tail = entry.TakeText("tailText", record.tailText, kImageTailTextRoom);
  // Warned once the line has proved good, and only where it moved a field
  // that is read: empty cells behind the tail text change nothing.
  if (HasEmptyCell(line, static_cast<std::size_t>(tail.data() + tail.size() - line.data()))) {
    warnings.push_back(entry.where +
                       "empty cells (\",,\") do not count as fields: every field behind them "
                       "moves one place to the left");
  }
  return std::nullopt;
}

}  // namespace

FileReadResult ReadDbFile(DbTable& table, const char* path) {
  DataFileLines file(path, kMaxDbLineLength);
  if (auto error = file.Open()) {
    return FileReadResult::Failure(std::move(*error));
  }
  std::string line;
  std::string error;

  switch (file.NextLine(line, error)) {
    case DataFileLines::Status::kFailed:
      return FileReadResult::Failure(std::move(error));
    case DataFileLines::Status::kEnd:
      return FileReadResult::Failure(file.Path() + ": file is empty, no count line");
    case DataFileLines::Status::kLine:
      break;
  }
  const std::optional<std::string_view> countField = FieldSplitter(line).Next();
  const DecimalNumber countNumber = ReadDecimal(countField.value_or(std::string_view{}));
  if (countNumber.kind == DecimalNumber::Kind::kNone) {
    return FileReadResult::Failure(file.Where(1) + "count line has no number");
  }
  if (countNumber.kind == DecimalNumber::Kind::kOutOfRange) {
    return FileReadResult::Failure(file.Where(1) + "field 1 (count) is outside the 32-bit range");
  }
  const int32_t count = countNumber.value;
  if (count < 0) {
    return FileReadResult::Failure(file.Where(1) + "count " + std::to_string(count) +
                                   " is below 0");
  }
  if (count > kMaxDbEntries) {
    return FileReadResult::Failure(file.Where(1) + "count " + std::to_string(count) + " is above " +
                                   std::to_string(kMaxDbEntries));
  }
  ConsolePrintf("Number of Entries = %d\n", count);

  // The entries are read into a scratch copy and committed only when the
  // whole file is good, so the device is never sent a half-read table.
  std::vector<DbRecord> records(count);
  std::vector<std::string> warnings;
  if (count > 0) {
    switch (file.NextLine(line, error)) {
      case DataFileLines::Status::kFailed:
        return FileReadResult::Failure(std::move(error));
      case DataFileLines::Status::kEnd:
        return FileReadResult::Failure(file.Where(2) + "file ends after the count line");
      case DataFileLines::Status::kLine:
        break;
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    const int lineNumber = 3 + i;
    switch (file.NextLine(line, error)) {
      case DataFileLines::Status::kFailed:
        return FileReadResult::Failure(std::move(error));
      case DataFileLines::Status::kEnd:
        return FileReadResult::Failure(file.Where(lineNumber) + "file ends after " +
                                       std::to_string(i) + " of " + std::to_string(count) +
                                       " entries");
      case DataFileLines::Status::kLine:
        break;
    }
    if (auto entryError = ReadEntry(line, file.Where(lineNumber), records[i], warnings)) {
      return FileReadResult::Failure(std::move(*entryError));
    }
  }

  table.count = count;
  std::copy(records.begin(), records.end(), table.records);
  return FileReadResult::Success(std::move(warnings));
}

}  // namespace brenvik
