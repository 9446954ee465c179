#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileReadResult.h"

namespace brenvik {

// The pieces both data-file readers share: the comma-field splitting, the
// decimal number reading and the line-by-line reading of the file itself.

// Cuts one line into fields. A field is a maximal run of characters other
// than the comma; runs of commas (also at the start of the line) are one
// separator, so an empty field never counts. The newline that ends a line
// stays in the line's last field.
class FieldSplitter {
 public:
  explicit FieldSplitter(std::string_view line) : m_rest(line) {}

  // The next field, or nothing when the line has no more.
  std::optional<std::string_view> Next();

  // How many fields `line` holds.
  static int CountFields(std::string_view line);

 private:
  std::string_view m_rest;
};

// A decimal number read from the start of a field.
struct DecimalNumber {
  enum class Kind {
    kNone,        // the field does not begin with a number
    kNumber,      // `value` holds it
    kOutOfRange,  // digits were there, but not a 32-bit signed number
  };
  Kind kind = Kind::kNone;
  int32_t value = 0;
};

// Skips leading white space, takes an optional sign and the decimal digits
// that follow, and stops at the first character that is not a digit ("7x"
// reads 7, "word" reads no number).
DecimalNumber ReadDecimal(std::string_view field);

// Reads a data file line by line. A line ends at a newline, which is kept; a
// carriage return right before it is dropped (so CR LF and LF read alike); the
// last line may lack its newline. A UTF-8 byte-order mark in front of the
// first line, as spreadsheets save it, is skipped. A line longer than the limit (newline
// included, after the carriage return is dropped), a NUL byte inside a line
// and a read error fail the read with a message "path:line: problem".
class DataFileLines {
 public:
  enum class Status { kLine, kEnd, kFailed };

  DataFileLines(std::string path, std::size_t maxLineLength);

  // Opens the file for reading. On failure reports "Error opening file" on
  // standard error, perror style, and returns "path: Error opening file: ...".
  // Anything but a regular file (a FIFO, a device, a directory) is refused
  // with "path: not a regular file", without waiting for a writer.
  std::optional<std::string> Open();

  // Reads the next line into `line`. kEnd when the file holds no more lines;
  // kFailed with `error` set when the line breaks the rules above.
  Status NextLine(std::string& line, std::string& error);

  // The number of the line read last (1 for the first line).
  int LineNumber() const { return m_lineNumber; }

  // "path:line: " for messages about the line read last, or about the line
  // that would have come next when the file ended.
  std::string Where(int lineNumber) const;

  const std::string& Path() const { return m_path; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::string m_path;
  std::size_t m_maxLineLength;
  std::unique_ptr<std::FILE, FileCloser> m_file;
  int m_lineNumber = 0;
};

// The result of a read that succeeded; its warnings (texts cut to their
// field) also go to standard error, one line each.
FileReadResult ReadSucceeded(std::vector<std::string> warnings);

}  // namespace brenvik
