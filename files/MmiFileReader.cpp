#include "files/MmiFileReader.h"

#include <string>
#include <string_view>

#include "files/DataFileLines.h"
#include "files/DecimalNumber.h"
#include "files/FieldSplitter.h"
#include "files/TextField.h"

namespace brenvik {

namespace {

// A line of the MMI file, its newline included.
constexpr std::size_t kMaxMmiLineLength = 99;
constexpr int kMmiLineCount = 8;

// Only the first character of a setting counts: anything but a single digit
// sends the device a value the file did not show.
void CheckSetting(std::string_view value, uint8_t stored, const FieldRef& field,
                  WarningCollector& warnings) {
  std::string_view digits = value;
  if (!digits.empty() && digits.back() == '\n') digits.remove_suffix(1);
  if (digits.size() == 1 && digits[0] >= '0' && digits[0] <= '9') return;
  std::string warning = warnings.What(field);
  if (digits.empty()) {
    warning += " is empty";
  } else {
    warning += ' ';
    warning += Quoted(digits);
    warning += " is not a single digit";
  }
  warnings.Add(field, WarningCause::kSetting,
               warning + ": the device gets " + std::to_string(stored));
}

}  // namespace

Result<FileWarnings> ReadMmiFile(MmiBlock& block, const char* path, ConsoleChannel& console) {
  DataFileLines file(path, kMaxMmiLineLength, console);
  if (Result<> opened = file.Open(); !opened) return Error{opened.error()};

  // Read into a cleared scratch block and commit only a complete file, so a
  // second read never leaves anything of the first and a bad file changes
  // nothing.
  MmiBlock scratch{};
  WarningCollector warnings(file.Path());
  std::string line;
  for (int lineNumber = 1; lineNumber <= kMmiLineCount; ++lineNumber) {
    const Result<DataFileLines::Status> next = file.NextLine(line);
    if (!next) return Error{next.error()};
    if (*next == DataFileLines::Status::kEnd) {
      return Error{file.Where(lineNumber) + "file ends after " + std::to_string(lineNumber - 1) +
                   " of " + std::to_string(kMmiLineCount) + " lines"};
    }
    FieldSplitter fields(line);
    fields.Next();  // the label
    const std::optional<std::string_view> value = fields.Next();
    if (!value) {
      return Error{file.Where(lineNumber) + "line has no value field" + SeparatorHint(line)};
    }
    const auto text = [&](const char* name, const TextSlot& slot) {
      const FieldRef field{lineNumber, 2, name};
      CheckTextCell(line, *value, field, false, warnings);
      StoreText(*value, slot, field, warnings);
    };
    switch (lineNumber) {
      case 6:
        text("longText", SlotOf(scratch.longText));
        break;
      case 7:
        text("shortText1", SlotOf(scratch.shortText1));
        break;
      case 8:
        text("shortText2", SlotOf(scratch.shortText2, kMmiShortText2Room));
        break;
      default: {
        // Only the first character counts; the wrap-around is intended (a
        // newline alone stores 218).
        uint8_t& setting = scratch.settings[lineNumber - 1];
        setting = static_cast<uint8_t>(value->front() - '0');
        CheckSetting(*value, setting, {lineNumber, 2, "setting " + std::to_string(lineNumber)},
                     warnings);
        break;
      }
    }
  }

  block = scratch;
  return warnings.Gather(kMmiLineCount, "lines");
}

}  // namespace brenvik
