#include "tools/load/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace brenvik::load {
namespace {

constexpr auto kRateWindow = std::chrono::seconds(10);
constexpr auto kLeastObserved = std::chrono::seconds(1);
constexpr int kLeastEntries = 3;
constexpr int kLeastBar = 10;
constexpr int kMostBar = 40;

}  // namespace

void RateEstimator::Reset() {
  origin_.reset();
  window_.clear();
}

void RateEstimator::Observe(Clock::time_point now, int sent) {
  if (!origin_) {
    if (sent < 2) return;
    origin_ = Sample{now, sent};
  }
  if (!window_.empty() && window_.back().sent == sent) return;
  window_.push_back({now, sent});
  while (window_.size() > 1 && window_[1].at <= now - kRateWindow) window_.pop_front();
}

std::optional<Estimate> RateEstimator::EstimateAt(Clock::time_point now, int count) const {
  if (!origin_ || window_.empty()) return std::nullopt;
  const int sent = window_.back().sent;
  if (now - origin_->at < kLeastObserved || sent - origin_->sent < kLeastEntries) {
    return std::nullopt;
  }
  // The window's base may have dropped out of the last ten seconds only since
  // the last sample; the rate still runs from it.
  const Sample& base = window_.front();
  const double seconds = std::chrono::duration<double>(now - base.at).count();
  const double rate = (sent - base.sent) / seconds;
  if (rate <= 0) return std::nullopt;
  return Estimate{rate, std::max(count - sent, 0) / rate};
}

std::string FormatDuration(double seconds) {
  const long total = std::lround(std::max(seconds, 0.0));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

std::string FormatProgressLine(const DownloadProgress& progress,
                               const std::optional<Estimate>& estimate, int columns) {
  char rate[24] = "--/s";
  std::string left = "--:--";
  if (estimate) {
    const double perSecond = estimate->entriesPerSecond;
    std::snprintf(rate, sizeof rate, perSecond < 100 ? "%.1f/s" : "%.0f/s", perSecond);
    left = FormatDuration(estimate->secondsLeft);
  }
  // The count's width for the entries sent, so the line does not jump about.
  const int countWidth = std::snprintf(nullptr, 0, "%d", progress.count);
  const int percent = progress.Percent();
  char tail[96];
  std::snprintf(tail, sizeof tail, "] %3d%%  %*d/%d  %7s  %7s left", percent, countWidth,
                progress.sent, progress.count, rate, left.c_str());
  char head[8];
  std::snprintf(head, sizeof head, "%-4s[", KindName(progress.kind));

  // One column short of the width: a line that fills it wraps on some terminals.
  const int room = columns - 1 - static_cast<int>(std::string_view(head).size()) -
                   static_cast<int>(std::string_view(tail).size());
  const int width = std::clamp(room, kLeastBar, kMostBar);
  const int clampedPercent = std::clamp(percent, 0, 100);
  const int done = width * clampedPercent / 100;
  std::string line = head;
  line.append(static_cast<std::size_t>(done), '#');
  line.append(static_cast<std::size_t>(width - done), '.');
  line += tail;
  return line;
}

}  // namespace brenvik::load
