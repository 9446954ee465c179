#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace brenvik::load {

// Standard output or standard error as the loader writes it. Texts are queued
// from any thread and written in order by a thread of the channel's own, so
// a reader that stops reading (a pipe left unread, a terminal held with
// Ctrl-S) never holds up a download, a stop or the release of a port. When a
// write fails (the reader of a pipe has gone: EPIPE with SIGPIPE ignored, or
// a terminal that hung up) output goes off for good and the program carries
// on without it.
class OutputChannel {
 public:
  explicit OutputChannel(int fd);
  // Leaves a writer that is stuck on a reader that does not read to the end
  // of the process; joins it otherwise.
  ~OutputChannel();
  OutputChannel(const OutputChannel&) = delete;
  OutputChannel& operator=(const OutputChannel&) = delete;

  // Who a text comes from: texts of one source keep their order.
  static constexpr int kNoSource = -1;

  // Queues `text`. While the reader lags (more than a few kilobytes wait), a
  // `mergeable` text replaces the newest text still waiting from the same
  // source if that one is mergeable too: a progress figure or a redraw that
  // a newer one makes stale. Other texts are never dropped.
  void Post(std::string text, int source = kNoSource, bool mergeable = false);
  // Queues `text` to be written once `before` has nothing left to write, or
  // after a short wait if it stays stuck: a warning on standard error goes
  // after the line standard output ended on the same terminal.
  void PostAfter(std::string text, const OutputChannel& before);
  // Waits until everything queued is written or output is off, or for at
  // most `timeout`; true when nothing is left.
  bool Drain(std::chrono::milliseconds timeout);
  int Fd() const { return fd_; }

 private:
  struct State;
  int fd_;
  std::shared_ptr<State> state_;  // shared with the writer, which may outlive the channel
};

}  // namespace brenvik::load
