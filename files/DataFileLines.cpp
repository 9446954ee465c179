#include "files/DataFileLines.h"

#include <cerrno>
#include <string_view>

namespace brenvik {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// What a spreadsheet's "Unicode" text starts with, little- and big-endian.
constexpr std::string_view kUtf16Marks[] = {"\xFF\xFE", "\xFE\xFF"};

}  // namespace

DataFileLines::DataFileLines(std::string path, std::size_t maxLineLength, ConsoleChannel& console)
    : m_path(std::move(path)), m_maxLineLength(maxLineLength), m_console(console) {}

Result<> DataFileLines::Open() {
  auto file = OpenDataFile(m_path, m_console);
  if (!file) return Error{file.error()};
  m_file = std::move(*file);
  m_lineNumber = 0;
  return {};
}

Result<DataFileLines::Status> DataFileLines::NextLine(std::string& line) {
  line.clear();
  ++m_lineNumber;
  auto tooLong = [this] {
    return Error{Where(m_lineNumber) + "line longer than " + std::to_string(m_maxLineLength) +
                 " characters"};
  };
  int readErrno = 0;
  for (;;) {
    errno = 0;
    const int c = std::getc(m_file.get());
    if (c == EOF) {
      readErrno = errno;
      break;
    }
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      line.push_back('\n');
      if (line.size() > m_maxLineLength) {
        return tooLong();
      }
      return Status::kLine;
    }
    if (c == '\0') {
      return Error{Where(m_lineNumber) + "NUL byte in line"};
    }
    line.push_back(static_cast<char>(c));
    if (m_lineNumber == 1 && line == kByteOrderMark) line.clear();
    if (m_lineNumber == 1 && (line == kUtf16Marks[0] || line == kUtf16Marks[1])) {
      return Error{Where(1) + "the file is UTF-16 (it starts with " +
                   (line == kUtf16Marks[0] ? "FF FE" : "FE FF") +
                   "): save it again as CSV in UTF-8"};
    }
    // One byte over is allowed while it is a carriage return that the next
    // newline may still drop; anything more is cut off here so that a file
    // without line ends is never read whole into memory.
    if (line.size() > m_maxLineLength + (c == '\r' ? 1 : 0)) {
      return tooLong();
    }
  }
  if (std::ferror(m_file.get())) {
    return SystemError(Where(m_lineNumber) + "Error reading file", readErrno);
  }
  if (line.empty()) {
    --m_lineNumber;
    return Status::kEnd;
  }
  if (line.size() > m_maxLineLength) {
    return tooLong();
  }
  return Status::kLine;
}

std::string DataFileLines::Where(int lineNumber) const {
  return m_path + ":" + std::to_string(lineNumber) + ": ";
}

}  // namespace brenvik
