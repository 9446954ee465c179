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

// The columns a UTF-8 text takes: one a character (a port's name may have
// other than ASCII in it).
int Columns(std::string_view text) {
  int columns = 0;
  for (const char c : text) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return columns;
}

// The text's first `columns` characters, never part of one.
std::string CutToColumns(const std::string& text, int columns) {
  if (columns <= 0) return {};
  int kept = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && kept++ == columns) {
      return text.substr(0, at);
    }
  }
  return text;
}

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
                               const std::optional<Estimate>& estimate, int columns,
                               std::string_view label) {
  char rate[24] = "--/s";
  std::string left = "--:--";
  if (estimate) {
    const double perSecond = estimate->entriesPerSecond;
    std::snprintf(rate, sizeof rate, perSecond < 100 ? "%.1f/s" : "%.0f/s", perSecond);
    left = FormatDuration(estimate->secondsLeft);
  }
  std::string head(label);
  if (!head.empty()) head += ' ';
  char text[96];
  std::snprintf(text, sizeof text, "%-4s", KindName(progress.kind));
  head += text;
  // The count's width for the entries sent, so the line does not jump about.
  const int countWidth = std::snprintf(nullptr, 0, "%d", progress.count);
  const int percent = progress.Percent();
  std::snprintf(text, sizeof text, "%3d%%  %*d/%d", percent, countWidth, progress.sent,
                progress.count);
  const std::string figures = text;
  std::snprintf(text, sizeof text, "  %7s", rate);
  const std::string rateColumn = text;
  std::snprintf(text, sizeof text, "  %7s left", left.c_str());
  const std::string leftColumn = text;

  // One column short of the width: a line that fills it wraps on some terminals.
  const int room = columns - 1;
  const int barRoom =
      room - Columns(head) - 3 - Columns(figures) - Columns(rateColumn) - Columns(leftColumn);
  if (barRoom >= kLeastBar) {
    const int width = std::min(barRoom, kMostBar);
    const int done = width * std::clamp(percent, 0, 100) / 100;
    return head + "[" + std::string(static_cast<std::size_t>(done), '#') +
           std::string(static_cast<std::size_t>(width - done), '.') + "] " + figures + rateColumn +
           leftColumn;
  }
  // Too narrow for a bar: then the rate goes, then whatever does not fit.
  std::string line = head + figures + rateColumn + leftColumn;
  if (Columns(line) > room) line = head + figures + leftColumn;
  return CutToColumns(line, room);
}

}  // namespace brenvik::load
