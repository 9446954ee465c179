#include "files/MmiFileReader.h"

#include <string>
#include <string_view>
#include <vector>

#include "files/FieldSplitter.h"

namespace brenvik {

namespace {

// A line of the MMI file, its newline included.
constexpr std::size_t kMaxMmiLineLength = 99;
constexpr int kMmiLineCount = 8;

template <std::size_t N>
void StoreText(std::string_view text, char (&dest)[N], const std::string& where, const char* name,
               std::vector<std::string>& warnings) {
  if (!CopyFieldText(text, dest, N)) {
    warnings.push_back(where + "field 2 (" + name + ") has " + std::to_string(text.size()) +
                       " characters, cut to " + std::to_string(N - 1));
  }
}

}  // namespace

FileReadResult ReadMmiFile(MmiBlock& block, const char* path) {
  DataFileLines file(path, kMaxMmiLineLength);
  if (auto error = file.Open()) {
    return FileReadResult::Failure(std::move(*error));
  }

  // Read into a cleared scratch block and commit only a complete file, so a
  // second read never leaves anything of the first and a bad file changes
  // nothing.
  MmiBlock scratch{};
  std::vector<std::string> warnings;
  std::string line;
  std::string error;
  for (int lineNumber = 1; lineNumber <= kMmiLineCount; ++lineNumber) {
    switch (file.NextLine(line, error)) {
      case DataFileLines::Status::kFailed:
        return FileReadResult::Failure(std::move(error));
      case DataFileLines::Status::kEnd:
        return FileReadResult::Failure(file.Where(lineNumber) + "file ends after " +
                                       std::to_string(lineNumber - 1) + " of " +
                                       std::to_string(kMmiLineCount) + " lines");
      case DataFileLines::Status::kLine:
        break;
    }
    FieldSplitter fields(line);
    fields.Next();  // the label
    const std::optional<std::string_view> value = fields.Next();
    if (!value) {
      return FileReadResult::Failure(file.Where(lineNumber) + "line has no value field");
    }
    const std::string where = file.Where(lineNumber);
    switch (lineNumber) {
      case 6:
        StoreText(*value, scratch.longText, where, "longText", warnings);
        break;
      case 7:
        StoreText(*value, scratch.shortText1, where, "shortText1", warnings);
        break;
      case 8:
        StoreText(*value, scratch.shortText2, where, "shortText2", warnings);
        break;
      default:
        // Only the first character counts; the wrap-around is intended (a
        // newline alone stores 218).
        scratch.settings[lineNumber - 1] = static_cast<uint8_t>(value->front() - '0');
        break;
    }
  }

  block = scratch;
  return ReadSucceeded(std::move(warnings));
}

}  // namespace brenvik
