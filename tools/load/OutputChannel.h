#pragma once

#include <mutex>
#include <string_view>

#include "base/FileDescriptor.h"

namespace brenvik::load {

// Standard output as the loader writes it: whole texts with write(), from
// any thread. When a write fails (the reader of a pipe has gone: EPIPE with
// SIGPIPE ignored, or a terminal that hung up) output goes off for good and
// the program carries on without it.
class OutputChannel {
 public:
  explicit OutputChannel(int fd);

  // Writes all of `text`; false once output is off.
  bool Write(std::string_view text);
  int Fd() const { return fd_; }

 private:
  mutable std::mutex lock_;
  int fd_;
  bool on_ = true;
};

// Sends standard output to the null device while it lives: the DB reader prints
// "Number of Entries = N" there, which only the lines mode wants.
class MutedStdout {
 public:
  explicit MutedStdout(bool mute);
  ~MutedStdout();  // puts standard output back
  MutedStdout(const MutedStdout&) = delete;
  MutedStdout& operator=(const MutedStdout&) = delete;

 private:
  FileDescriptor saved_;  // standard output while it is muted
};

}  // namespace brenvik::load
