#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "base/Result.h"
#include "files/DataFileOpen.h"

namespace brenvik {

// Reads a data file line by line. A line ends at a newline, which is kept; a
// carriage return right before it is dropped (so CR LF and LF read alike); the
// last line may lack its newline. A UTF-8 byte-order mark in front of the
// first line, as spreadsheets save it, is skipped. A line longer than the limit (newline
// included, after the carriage return is dropped), a NUL byte inside a line
// and a read error fail the read with a message "path:line: problem".
class DataFileLines {
 public:
  enum class Status { kLine, kEnd };

  // A failed open is reported through `console` (nowhere by default), which
  // must outlive this.
  DataFileLines(std::string path, std::size_t maxLineLength,
                ConsoleChannel& console = SilentConsole());

  // Opens the file for reading, as OpenDataFile does (binary, UTF-8 path,
  // regular files only).
  Result<> Open();

  // Reads the next line into `line`: kLine, or kEnd when the file holds no
  // more lines. Fails when the line breaks the rules above.
  Result<Status> NextLine(std::string& line);

  // The number of the line read last (1 for the first line).
  int LineNumber() const { return m_lineNumber; }

  // "path:line: " for messages about the line read last, or about the line
  // that would have come next when the file ended.
  std::string Where(int lineNumber) const;

  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
  std::size_t m_maxLineLength;
  ConsoleChannel& m_console;
  FilePointer m_file;
  int m_lineNumber = 0;
};

}  // namespace brenvik
