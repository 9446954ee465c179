#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "download/StatusText.h"
#include "tools/load/LoadOptions.h"
#include "tools/load/OutputChannel.h"
#include "tools/load/ProgressLine.h"

namespace brenvik::load {

// What the loader shows of a download on standard output, by mode: the
// progress bar updated in place at most ten times a second, each status text
// as a line (with --trace the frames as lines between them), the final text
// alone, or nothing. Poll and Frame may come from different threads.
class ProgressDisplay {
 public:
  // `mode` is Bar, Lines, None or Quiet; Auto is resolved by the caller.
  ProgressDisplay(OutputChannel& out, ProgressMode mode);

  // A download of `kind` starts, its progress read from `status`.
  void Begin(DownloadKind kind, const StatusText& status);
  // Looks at the progress and shows a change.
  void Poll();
  // Shows a frame that is about to be sent, after any status change before it.
  void Frame(const uint8_t* bytes, std::size_t size);
  // The download has ended: shows its final text.
  void End();
  // A line of the loader's own (a device's result, the summary); none when quiet.
  void Line(const std::string& text);

 private:
  using Clock = std::chrono::steady_clock;
  // Called with lock_ held; drawBar false leaves the bar as it stands.
  void PollLocked(bool drawBar);
  void DrawBar(Clock::time_point now);
  int Columns() const;

  std::mutex lock_;
  OutputChannel& out_;
  ProgressMode mode_;
  DownloadKind kind_ = DownloadKind::Db;
  const StatusText* status_ = nullptr;
  DownloadProgress shown_;  // the last progress seen
  RateEstimator estimator_;
  bool dirty_ = false;      // a change the bar does not show yet
  bool barOnLine_ = false;  // the cursor stands at the end of a bar line
  Clock::time_point drawnAt_{};
};

}  // namespace brenvik::load
