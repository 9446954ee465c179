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
void CheckSetting(std::string_view value, uint8_t stored, const std::string& what,
                  FileWarnings& warnings) {
  std::string_view digits = value;
  if (!digits.empty() && digits.back() == '\n') digits.remove_suffix(1);
  if (digits.size() == 1 && digits[0] >= '0' && digits[0] <= '9') return;
  std::string warning = what;
  if (digits.empty()) {
    warning += " is empty";
  } else {
    warning += ' ';
    warning += Quoted(digits);
    warning += " is not a single digit";
  }
  warnings.push_back(warning + ": the device gets " + std::to_string(stored));
}

}  // namespace

Result<FileWarnings> ReadMmiFile(MmiBlock& block, const char* path, ConsoleChannel& console) {
  DataFileLines file(path, kMaxMmiLineLength, console);
  if (Result<> opened = file.Open(); !opened) return Error{opened.error()};

  // Read into a cleared scratch block and commit only a complete file, so a
  // second read never leaves anything of the first and a bad file changes
  // nothing.
  MmiBlock scratch{};
  FileWarnings warnings;
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
      return Error{file.Where(lineNumber) + "line has no value field"};
    }
    const std::string where = file.Where(lineNumber) + "field 2 ";
    switch (lineNumber) {
      case 6:
        WarnOfQuote(*value, false, where + "(longText)", warnings);
        StoreText(*value, SlotOf(scratch.longText), where + "(longText)", warnings);
        break;
      case 7:
        WarnOfQuote(*value, false, where + "(shortText1)", warnings);
        StoreText(*value, SlotOf(scratch.shortText1), where + "(shortText1)", warnings);
        break;
      case 8:
        WarnOfQuote(*value, false, where + "(shortText2)", warnings);
        StoreText(*value, SlotOf(scratch.shortText2, kMmiShortText2Room), where + "(shortText2)",
                  warnings);
        break;
      default: {
        // Only the first character counts; the wrap-around is intended (a
        // newline alone stores 218).
        uint8_t& setting = scratch.settings[lineNumber - 1];
        setting = static_cast<uint8_t>(value->front() - '0');
        CheckSetting(*value, setting, where + "(setting " + std::to_string(lineNumber) + ")",
                     warnings);
        break;
      }
    }
  }

  block = scratch;
  return warnings;
}

}  // namespace brenvik
