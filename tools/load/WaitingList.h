#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/FileDescriptor.h"
#include "base/Result.h"

namespace brenvik::load {

// A log line that the broker has not acknowledged yet, and the log offset
// just past it (its newline included).
struct WaitingRecord {
  std::string line;  // without its newline
  std::uint64_t end = 0;
};

// The records of a log still to reach the broker: every whole line of the
// log past the offset kept in LOG.sent beside it. A record leaves the list
// only when the offset moves past it, which the sender does once the broker
// has acknowledged it and every record before it. Several loaders may share
// the log; the one holding the lock on LOG.sent sends what waits, whoever
// wrote it, and the others wait for it to. Linux only for now.
class WaitingList {
 public:
  // Opens the log for reading and LOG.sent, creating it; a new LOG.sent
  // starts at the log's end as it is now, so the records of earlier runs
  // without a broker are not sent. Fails for a log that is not a regular file.
  Result<> Open(const std::string& logPath);
  // Takes the lock on LOG.sent without waiting; true when this loader holds
  // it, now or from before.
  bool TryLock();
  bool Locked() const { return locked_; }
  // Where the waiting records start: the offset in LOG.sent, or 0 when the
  // log has been replaced by a shorter one.
  std::uint64_t Sent() const;
  // Moves the offset past the acknowledged records; only with the lock.
  Result<> MarkSent(std::uint64_t end);
  // The whole lines from `from` on, at most about `limit` bytes of them (one
  // line at least); a line still being written is left for later.
  std::vector<WaitingRecord> ReadFrom(std::uint64_t from, std::size_t limit = 65536) const;
  // How many whole lines are past `from`.
  std::size_t CountFrom(std::uint64_t from) const;
  const std::string& SentPath() const { return sentPath_; }

 private:
  std::uint64_t LogSize() const;

  FileDescriptor log_;
  FileDescriptor sent_;
  std::string sentPath_;
  std::uint64_t startSize_ = 0;  // the log's size when opened
  bool locked_ = false;
};

}  // namespace brenvik::load
