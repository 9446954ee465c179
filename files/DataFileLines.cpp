#include "files/DataFileLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

#include "files/Console.h"

namespace brenvik {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

DataFileLines::DataFileLines(std::string path, std::size_t maxLineLength)
    : m_path(std::move(path)), m_maxLineLength(maxLineLength) {}

std::optional<std::string> DataFileLines::Open() {
  // Non-blocking, so that a FIFO chosen by mistake cannot hold the caller
  // until something writes to it.
  const int fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int errnum = errno;
    ConsoleReportError("Error opening file", errnum);
    return m_path + ": Error opening file: " + std::generic_category().message(errnum);
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return m_path + ": not a regular file";
  }
  std::FILE* file = ::fdopen(fd, "r");
  if (file == nullptr) {
    const int errnum = errno;
    ::close(fd);
    ConsoleReportError("Error opening file", errnum);
    return m_path + ": Error opening file: " + std::generic_category().message(errnum);
  }
  m_file.reset(file);  // owns fd from here on
  m_lineNumber = 0;
  return std::nullopt;
}

DataFileLines::Status DataFileLines::NextLine(std::string& line, std::string& error) {
  line.clear();
  ++m_lineNumber;
  auto tooLong = [this] {
    return Where(m_lineNumber) + "line longer than " + std::to_string(m_maxLineLength) +
           " characters";
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
        error = tooLong();
        return Status::kFailed;
      }
      return Status::kLine;
    }
    if (c == '\0') {
      error = Where(m_lineNumber) + "NUL byte in line";
      return Status::kFailed;
    }
    line.push_back(static_cast<char>(c));
    if (m_lineNumber == 1 && line == kByteOrderMark) line.clear();
    // One byte over is allowed while it is a carriage return that the next
    // newline may still drop; anything more is cut off here so that a file
    // without line ends is never read whole into memory.
    if (line.size() > m_maxLineLength + (c == '\r' ? 1 : 0)) {
      error = tooLong();
      return Status::kFailed;
    }
  }
  if (std::ferror(m_file.get())) {
    error =
        Where(m_lineNumber) + "Error reading file: " + std::generic_category().message(readErrno);
    return Status::kFailed;
  }
  if (line.empty()) {
    --m_lineNumber;
    return Status::kEnd;
  }
  if (line.size() > m_maxLineLength) {
    error = tooLong();
    return Status::kFailed;
  }
  return Status::kLine;
}

std::string DataFileLines::Where(int lineNumber) const {
  return m_path + ":" + std::to_string(lineNumber) + ": ";
}

}  // namespace brenvik
