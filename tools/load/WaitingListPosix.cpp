#include "tools/load/WaitingList.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace brenvik::load {
namespace {

// The offset is one fixed-width line, rewritten in place with one write.
constexpr std::size_t kOffsetWidth = 20;

}  // namespace

Result<> WaitingList::Open(const std::string& logPath) {
  log_.Reset(::open(logPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!log_.IsOpen()) return SystemError("cannot read the log " + logPath + " back", errno);
  struct stat status {};
  if (::fstat(log_.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return Error{"--publish sends the records from the log, and " + logPath +
                 " is not a regular file"};
  }
  startSize_ = static_cast<std::uint64_t>(status.st_size);
  sentPath_ = logPath + ".sent";
  sent_.Reset(::open(sentPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!sent_.IsOpen()) return SystemError("cannot open " + sentPath_, errno);
  TryLock();
  return {};
}

bool WaitingList::TryLock() {
  if (locked_) return true;
  if (::flock(sent_.Get(), LOCK_EX | LOCK_NB) != 0) return false;
  locked_ = true;
  // The first loader to publish this log starts the list at the log's end.
  char text[kOffsetWidth + 1] = "";
  if (::pread(sent_.Get(), text, kOffsetWidth, 0) <= 0) (void)MarkSent(startSize_);
  return true;
}

std::uint64_t WaitingList::LogSize() const {
  struct stat status {};
  if (::fstat(log_.Get(), &status) != 0) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

std::uint64_t WaitingList::Sent() const {
  char text[kOffsetWidth + 1] = "";
  const ssize_t got = ::pread(sent_.Get(), text, kOffsetWidth, 0);
  if (got <= 0) return startSize_;
  text[got] = '\0';
  const std::uint64_t sent = std::strtoull(text, nullptr, 10);
  return sent > LogSize() ? 0 : sent;
}

Result<> WaitingList::MarkSent(std::uint64_t end) {
  char text[kOffsetWidth + 2];
  std::snprintf(text, sizeof text, "%020" PRIu64 "\n", end);
  if (::pwrite(sent_.Get(), text, kOffsetWidth + 1, 0) != static_cast<ssize_t>(kOffsetWidth + 1)) {
    return SystemError("cannot write " + sentPath_, errno);
  }
  return {};
}

std::vector<WaitingRecord> WaitingList::ReadFrom(std::uint64_t from, std::size_t limit) const {
  std::vector<WaitingRecord> records;
  std::string chunk;
  for (std::size_t size = limit;; size *= 2) {
    chunk.resize(size);
    const ssize_t got = ::pread(log_.Get(), chunk.data(), size, static_cast<off_t>(from));
    if (got <= 0) return records;
    chunk.resize(static_cast<std::size_t>(got));
    // A line longer than the chunk is read whole with a bigger one.
    if (chunk.find('\n') != std::string::npos || chunk.size() < size) break;
  }
  std::size_t start = 0;
  for (std::size_t newline; (newline = chunk.find('\n', start)) != std::string::npos;
       start = newline + 1) {
    if (newline > start) {
      records.push_back({chunk.substr(start, newline - start), from + newline + 1});
    } else if (!records.empty()) {
      records.back().end = from + newline + 1;
    }
  }
  return records;
}

std::size_t WaitingList::CountFrom(std::uint64_t from) const {
  std::size_t count = 0;
  for (std::vector<WaitingRecord> part = ReadFrom(from); !part.empty(); part = ReadFrom(from)) {
    count += part.size();
    from = part.back().end;
  }
  return count;
}

}  // namespace brenvik::load
