#include "files/DbFileReader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  std::string_view line;
  int lineNumber;
  FieldSplitter fields;
  WarningCollector& warnings;
  int fieldNumber = 0;  // of the field taken last, counted as the splitter counts

  std::string_view Take() {
    ++fieldNumber;
    // The field count was checked before any field is taken.
    return fields.Next().value_or(std::string_view{});
  }

  FieldRef Ref(std::string name) const { return {lineNumber, fieldNumber, std::move(name)}; }

  // Reads a number; a field that does not begin with one reads as 0, as the
  // record was cleared.
  Result<int32_t> TakeNumber(const std::string& name) {
    const std::string_view field = Take();
    const DecimalNumber number = ReadDecimal(field);
    if (number.kind == DecimalNumber::Kind::kOutOfRange) {
      return Error{warnings.What(Ref(name)) + " is outside the 32-bit range"};
    }
    CheckNumberCell(line, field, Ref(name), warnings);
    return number.kind == DecimalNumber::Kind::kNumber ? number.value : 0;
  }

  // Returns the field, so the caller knows where the fields it used end.
  template <std::size_t N>
  std::string_view TakeText(const std::string& name, char (&dest)[N], std::size_t room) {
    const std::string_view text = Take();
    CheckTextCell(line, text, Ref(name), true, warnings);
    StoreText(text, SlotOf(dest, room), Ref(name), warnings);
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
Result<> ReadEntry(std::string_view line, int lineNumber, DbRecord& record,
                   WarningCollector& warnings) {
  const int fieldCount = FieldSplitter::CountFields(line);
  const std::string where = warnings.Where(lineNumber);
  if (fieldCount < kFixedEntryFields) {
    return Error{where + "entry has " + Fields(fieldCount) + ", needs at least " +
                 std::to_string(kFixedEntryFields) + SeparatorHint(line)};
  }
  EntryReader entry{line, lineNumber, FieldSplitter(line), warnings};
  entry.Take();
  entry.TakeText("code", record.code, kImageCodeRoom);
  const Result<int32_t> attribute = entry.TakeNumber("attribute");
  if (!attribute) return Error{attribute.error()};
  record.attribute = static_cast<uint8_t>(*attribute);
  const Result<int32_t> subEntryCount = entry.TakeNumber("subEntryCount");
  if (!subEntryCount) return Error{subEntryCount.error()};
  record.subEntryCount = static_cast<uint8_t>(*subEntryCount);
  if (record.subEntryCount > kMaxSubEntries) {
    std::string read = std::to_string(*subEntryCount);
    if (*subEntryCount != record.subEntryCount) {
      read += " (low 8 bits " + std::to_string(record.subEntryCount) + ")";
    }
    return Error{where + "field 4 (subEntryCount) is " + read + ", above " +
                 std::to_string(kMaxSubEntries)};
  }
  const int needed = kFixedEntryFields + 2 * record.subEntryCount;
  if (fieldCount < needed) {
    return Error{where + "entry has " + Fields(fieldCount) + ", needs " + std::to_string(needed) +
                 " for " + std::to_string(record.subEntryCount) + " sub-entries"};
  }
  entry.TakeText("label", record.label, kImageLabelRoom);
  for (int k = 0; k < record.subEntryCount; ++k) {
    DbSubEntry& sub = record.subEntries[k];
    const Result<int32_t> value = entry.TakeNumber(SubEntryName(k, "value"));
    if (!value) return Error{value.error()};
    sub.value = *value;
    entry.TakeText(SubEntryName(k, "text"), sub.text, kImageSubTextRoom);
  }
  const std::string_view tail = entry.TakeText("tailText", record.tailText, kImageTailTextRoom);
  // Warned once the line has proved good, and only where it moved a field
  // that is read: empty cells behind the tail text change nothing.
  if (HasEmptyCell(line, static_cast<std::size_t>(tail.data() + tail.size() - line.data()))) {
    warnings.Add({lineNumber, 0, {}}, WarningCause::kEmptyCell,
                 where +
                     "empty cells (\",,\") do not count as fields: every field behind them "
                     "moves one place to the left");
  }
  return {};
}

}  // namespace

Result<FileWarnings> ReadDbFile(DbTable& table, const char* path, ConsoleChannel& console) {
  DataFileLines file(path, kMaxDbLineLength, console);
  if (Result<> opened = file.Open(); !opened) return Error{opened.error()};
  std::string line;

  const Result<DataFileLines::Status> countLine = file.NextLine(line);
  if (!countLine) return Error{countLine.error()};
  if (*countLine == DataFileLines::Status::kEnd) {
    return Error{file.Path() + ": file is empty, no count line"};
  }
  const std::optional<std::string_view> countField = FieldSplitter(line).Next();
  const DecimalNumber countNumber = ReadDecimal(countField.value_or(std::string_view{}));
  if (countNumber.kind == DecimalNumber::Kind::kNone) {
    return Error{file.Where(1) + "count line has no number"};
  }
  if (countNumber.kind == DecimalNumber::Kind::kOutOfRange) {
    return Error{file.Where(1) + "field 1 (count) is outside the 32-bit range"};
  }
  const int32_t count = countNumber.value;
  if (count < 0) {
    return Error{file.Where(1) + "count " + std::to_string(count) + " is below 0"};
  }
  if (count > kMaxDbEntries) {
    return Error{file.Where(1) + "count " + std::to_string(count) + " is above " +
                 std::to_string(kMaxDbEntries)};
  }
  console.Print("Number of Entries = " + std::to_string(count) + "\n");

  // The entries are read into a scratch copy and committed only when the
  // whole file is good, so the device is never sent a half-read table.
  std::vector<DbRecord> records(count);
  WarningCollector warnings(file.Path());
  if (count > 0) {
    const Result<DataFileLines::Status> heading = file.NextLine(line);
    if (!heading) return Error{heading.error()};
    if (*heading == DataFileLines::Status::kEnd) {
      return Error{file.Where(2) + "file ends after the count line"};
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    const int lineNumber = 3 + i;
    const Result<DataFileLines::Status> entryLine = file.NextLine(line);
    if (!entryLine) return Error{entryLine.error()};
    if (*entryLine == DataFileLines::Status::kEnd) {
      return Error{file.Where(lineNumber) + "file ends after " + std::to_string(i) + " of " +
                   std::to_string(count) + " entries"};
    }
    if (Result<> entry = ReadEntry(line, lineNumber, records[i], warnings); !entry) {
      return Error{entry.error()};
    }
  }

  table.count = count;
  std::copy(records.begin(), records.end(), table.records);
  return warnings.Gather(count, "entry lines");
}

}  // namespace brenvik
