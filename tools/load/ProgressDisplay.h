#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "download/StatusText.h"
#include "tools/load/LoadOptions.h"
#include "tools/load/OutputChannel.h"
#include "tools/load/ProgressLine.h"

namespace brenvik::load {

// A port as the bar lines and the summary name it: "ttyUSB0" for
// /dev/ttyUSB0, "pts/3" for /dev/pts/3, the last part of any other path
// (a by-id name), COM3 as it is; a long name keeps its end, where by-id
// names differ.
std::string PortShortName(const std::string& port);

// What the loader shows of the downloads on its ports, by mode:
// - Bar (a terminal): one port's progress bar updated in place, then each
//   download's final text on a line of its own; for several ports a line
//   each (the port's short name, its bar or its text) and a total line,
//   updated in place together.
// - Lines: every change of status text on a line of its own, with --trace the
//   frames as lines between them; behind "PORT: " when there are several.
// - None: the final status text of each download. Quiet: nothing.
// Warnings go to standard error in every mode. Nothing here waits for the
// output: the channels write it. Changed and Frame come from download
// workers, which only queue what they report: the port threads and the main
// thread (ten times a second) turn it into text, in order, before anything
// else they show.
class ProgressDisplay {
 public:
  // `ports` as given on the command line, in order. `mode` is Bar, Lines,
  // None or Quiet; Auto is resolved by the caller.
  ProgressDisplay(OutputChannel& out, OutputChannel& err, ProgressMode mode,
                  std::vector<std::string> ports);

  // A download of `kind` starts on `port`.
  void Begin(int port, DownloadKind kind);
  // A download on `port` has published `progress`. Queued only.
  void Changed(int port, const DownloadProgress& progress);
  // A frame about to be sent on `port`. Queued only.
  void Frame(int port, const uint8_t* bytes, std::size_t size);
  // The download on `port` has ended with what it last published.
  void End(int port);
  // A device on `port` has been loaded; the total line counts it.
  void Counted(int port, bool passed);
  // A line of the loader's own about `port` ("device 3: Completed!"), none when quiet.
  void Line(int port, const std::string& text);
  // A line of the loader's own (the summary), none when quiet.
  void Line(const std::string& text);
  // "brenvik-load: PORT: text" on standard error (no port with a single one).
  void Warn(int port, const std::string& text);
  // A line on standard error as it is (a prompt).
  void Say(const std::string& text);
  // Shows what the workers queued and redraws the bar lines that changed;
  // the main thread calls it ten times a second.
  void Tick();
  // Leaves the bar lines as they stand, for good.
  void Finish();

  static constexpr int kNoPort = -1;

 private:
  using Clock = std::chrono::steady_clock;
  struct Row {
    DownloadKind kind = DownloadKind::Db;
    DownloadProgress progress;  // as last published
    std::string text;           // the last text shown as a line
    RateEstimator estimator;
    bool active = false;
    int passed = 0;
    int failed = 0;
  };

  // A change or a frame as a worker reported it.
  struct Event {
    int port = 0;
    Clock::time_point at;
    DownloadProgress progress;  // of a change
    bool frame = false;
    std::size_t frameAt = 0;  // a frame's bytes in the queue's frameBytes
    std::size_t frameSize = 0;
  };
  struct EventQueue {
    std::vector<Event> events;
    std::vector<uint8_t> frameBytes;
  };

  bool Several() const { return rows_.size() > 1; }
  std::string Prefix(int port) const;  // "PORT: " with several ports
  std::string RowLine(const Row& row, std::size_t index, int columns, Clock::time_point now) const;
  std::string TotalLine() const;
  // Called with lock_ held.
  void TakeEventsLocked();
  void ApplyChangeLocked(const Event& event);
  void PostFrameLocked(int port, const uint8_t* bytes, std::size_t size);
  void DrawLocked(Clock::time_point now);
  void EndBlockLocked();

  // Held by a worker only to queue: never while anything is formatted.
  std::mutex queueLock_;
  EventQueue queued_;  // guarded by queueLock_
  std::mutex lock_;    // guards the rest
  EventQueue taken_;   // the queue as last taken, kept for its capacity
  OutputChannel& out_;
  OutputChannel& err_;
  ProgressMode mode_;
  std::vector<std::string> ports_;
  std::vector<std::string> labels_;  // short names, padded alike
  std::vector<Row> rows_;
  bool dirty_ = false;     // a change the bar lines do not show yet
  bool finished_ = false;  // the run is over: a port still waiting was never loaded
  int drawnLines_ = 0;     // lines of the bar block on screen, the cursor at the end of its last
  Clock::time_point drawnAt_{};
};

}  // namespace brenvik::load
