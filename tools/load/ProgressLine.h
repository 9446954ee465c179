#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "download/DownloadProgress.h"

namespace brenvik::load {

// Rate and time left, once there is enough to go on.
struct Estimate {
  double entriesPerSecond = 0;
  double secondsLeft = 0;
};

// Estimates the rate of a database download from when its progress shows
// each number of entries sent. The first entry is not typical (its frame is
// paced and followed by half a second), so the clock starts when the progress
// first shows two entries; the rate is taken over the last ten seconds.
class RateEstimator {
 public:
  using Clock = std::chrono::steady_clock;

  // Forgets everything, for the next download.
  void Reset();
  // The progress shows `sent` entries at `now`.
  void Observe(Clock::time_point now, int sent);
  // The rate up to `now` and the time the other entries of `count` will take;
  // none until at least one second and three entries have passed since the
  // clock started.
  std::optional<Estimate> EstimateAt(Clock::time_point now, int count) const;

 private:
  struct Sample {
    Clock::time_point at;
    int sent = 0;
  };
  std::optional<Sample> origin_;  // the first sample of two entries or more
  std::deque<Sample> window_;     // front: the newest sample at or before ten seconds ago
};

// One progress line: the label and a blank when one is given (the caller
// pads labels to one width), the kind ("DB"), a bar, the percentage and
// entries sent of all as the status text shows them, the rate and the time
// left ("--:--" without an estimate). It never takes more than columns - 1
// characters: as they shrink the bar goes first (it is ten to forty wide),
// then the rate, then the line is cut.
std::string FormatProgressLine(const DownloadProgress& progress,
                               const std::optional<Estimate>& estimate, int columns,
                               std::string_view label = {});

// Seconds as "m:ss", or "h:mm:ss" from an hour on, rounded to the second.
std::string FormatDuration(double seconds);

}  // namespace brenvik::load
