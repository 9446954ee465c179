#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace brenvik::fuzz {

// Where a broken invariant is reported: the standard error the program started
// with, kept before libFuzzer sends descriptor 2 to /dev/null.
inline int& ReportFd() {
  static int fd = 2;
  return fd;
}

// Silences the readers' console output for the whole run. Standard output
// carries the entry count of every DB file read; writing it for each of
// millions of inputs would cost more than the reads. libFuzzer's own -close_fd_mask does it safely
// (its messages and the sanitizer reports move to a copy of standard error), so the flag is put in
// front of the caller's arguments, where a flag of the caller's own still wins.
inline void QuietConsole(int* argc, char*** argv) {
  static std::vector<char*> args;
  static char quiet[] = "-close_fd_mask=3";
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + 1, quiet);
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
  ReportFd() = dup(2);
}

// Ends the run as a finding when an invariant does not hold.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    dprintf(ReportFd(), "invariant broken: %s\n", what);
    __builtin_trap();
  }
}

// The input of one run as a file the readers can open by path. A memfd keeps
// it in memory; the readers reopen it through /proc, with an offset of their own.
class InputFile {
 public:
  explicit InputFile(const char* name) : m_fd(memfd_create(name, 0)) {
    if (m_fd < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    m_path = "/proc/self/fd/" + std::to_string(m_fd);
  }
  ~InputFile() { close(m_fd); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Replaces the file's content with `data`.
  void Write(const uint8_t* data, std::size_t size) {
    if (ftruncate(m_fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
  }

  const std::string& Path() const { return m_path; }

 private:
  int m_fd;
  std::string m_path;
};

// A failed read names its file first: "path: problem" or "path:line: problem".
inline bool NamesThePath(const std::string& error, const std::string& path) {
  return error.size() > path.size() + 1 && error.compare(0, path.size(), path) == 0 &&
         error[path.size()] == ':';
}

// A text field read from a file: a non-empty value (an empty field never
// counts as one), NUL-terminated inside the field, zeros behind the NUL, and
// no comma, since the comma is what separates fields.
template <std::size_t N>
bool IsStoredText(const char (&field)[N]) {
  std::size_t length = 0;
  while (length < N && field[length] != '\0') {
    if (field[length] == ',') return false;
    ++length;
  }
  if (length == 0 || length == N) return false;
  for (std::size_t i = length; i < N; ++i) {
    if (field[i] != '\0') return false;
  }
  return true;
}

// What a table or block holds before each run, so that any byte a read
// touches shows.
inline constexpr uint8_t kPattern = 0xA5;

}  // namespace brenvik::fuzz
