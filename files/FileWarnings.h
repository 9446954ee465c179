#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "files/ConsoleChannel.h"

namespace brenvik {

// What the device will get other than a file holds, one line each
// ("path:line: field N (name) ..."): what a reader gives back when it read
// the file.
using FileWarnings = std::vector<std::string>;

// Reports each warning through the console channel, a line each. The window
// calls it after every read that succeeded, so that a terminal or a log
// keeps the warnings its box shows.
void PrintWarnings(const FileWarnings& warnings, ConsoleChannel& console);

// What a warning is about, so that one cause on many lines can be said once.
enum class WarningCause {
  kNotWhole,       // a text without its terminating zero
  kCut,            // a text cut to its field
  kCutCharacter,   // the cut falls inside a UTF-8 character
  kLineEnd,        // the last field keeps the line end
  kQuotedText,     // a text that starts with a double quote
  kQuotedNumber,   // a number that starts with a double quote
  kSplitCell,      // a quoted cell split at its comma
  kRetypedNumber,  // a text the spreadsheet turned into a number
  kRetypedDate,    // a text the spreadsheet turned into a date
  kEmptyCell,      // an empty cell moved the fields behind it
  kSetting,        // a setting that is not one digit
};

// A field of a data file, as warnings name it.
struct FieldRef {
  int line = 0;
  int number = 0;    // counted as the splitter counts fields
  std::string name;  // "label", "sub-entry 2 text", "longText"
};

// Gathers a reader's warnings and puts them together once the file is read:
//   - a cause on at least half of the file's lines (two at least) is said
//     once, on the line where it first stands, with how many lines it is on;
//   - when at least half of the text fields start with a double quote, one
//     line says the file was saved with every text quoted;
//   - a text in a date form is warned about only while its field holds no
//     date on most of its other lines: a column of dates is meant.
class WarningCollector {
 public:
  explicit WarningCollector(std::string path) : m_path(std::move(path)) {}

  // "path:3: field 5 (label)"
  std::string What(const FieldRef& field) const;
  // "path:3: "
  std::string Where(int line) const;

  // `warning` is the whole line, led by What(field) or Where(field.line).
  void Add(const FieldRef& field, WarningCause cause, std::string warning);
  // Every text field read, whether or not it starts with a double quote.
  void CountText(const FieldRef& field, bool quoted);

  // The warnings in line order, for a file of `lines` lines that count
  // (`linesName`: "entry lines").
  FileWarnings Gather(int lines, const std::string& linesName) const;

 private:
  struct Found {
    FieldRef field;
    WarningCause cause;
    std::string warning;
  };

  std::string m_path;
  std::vector<Found> m_found;
  std::map<std::string, int, std::less<>> m_textsOf;  // text fields read, by name
  int m_texts = 0;
  int m_quotedTexts = 0;
};

}  // namespace brenvik
