#include "tools/load/ProgressDisplay.h"

#include <algorithm>
#include <cstdio>

#include "tools/load/Terminal.h"

namespace brenvik::load {
namespace {

constexpr auto kBarInterval = std::chrono::milliseconds(100);
// The time left moves on while the device thinks; redraw for it now and then.
constexpr auto kBarRefresh = std::chrono::seconds(1);
constexpr int kDefaultColumns = 80;
constexpr const char* kEraseToEnd = "\x1b[K";

// "DB  ", "MMI ": the kind column of the bar and of the final line.
std::string KindColumn(DownloadKind kind) {
  std::string column = KindName(kind);
  column.resize(std::max<std::size_t>(column.size() + 1, 4), ' ');
  return column;
}

// The text over the line the cursor is on: back to its start, the text, the
// rest of the old line erased. Appended piece by piece: GCC 12 at -O3 warns
// falsely about "literal" + std::string.
std::string OverLine(const std::string& text) {
  std::string over = "\r";
  over += text;
  over += kEraseToEnd;
  return over;
}

}  // namespace

ProgressDisplay::ProgressDisplay(OutputChannel& out, ProgressMode mode) : out_(out), mode_(mode) {}

void ProgressDisplay::Begin(DownloadKind kind, const StatusText& status) {
  std::lock_guard guard(lock_);
  kind_ = kind;
  status_ = &status;
  shown_ = {};
  estimator_.Reset();
  dirty_ = false;
  drawnAt_ = {};
}

void ProgressDisplay::Poll() {
  std::lock_guard guard(lock_);
  PollLocked(true);
}

void ProgressDisplay::PollLocked(bool drawBar) {
  if (status_ == nullptr) return;
  const DownloadProgress progress = status_->Progress();
  const auto now = Clock::now();
  if (progress.phase != DownloadPhase::None && progress != shown_) {
    shown_ = progress;
    if (shown_.phase == DownloadPhase::Writing) estimator_.Observe(now, shown_.sent);
    dirty_ = true;
    if (mode_ == ProgressMode::Lines) out_.Write(StatusTextOf(shown_) + "\n");
  }
  const bool writing = shown_.phase == DownloadPhase::Writing;
  if (drawBar && mode_ == ProgressMode::Bar && shown_.phase != DownloadPhase::None &&
      ((dirty_ && now - drawnAt_ >= kBarInterval) || (writing && now - drawnAt_ >= kBarRefresh))) {
    DrawBar(now);
  }
}

void ProgressDisplay::DrawBar(Clock::time_point now) {
  const std::string line =
      shown_.phase == DownloadPhase::Writing
          ? FormatProgressLine(shown_, estimator_.EstimateAt(now, shown_.count), Columns())
          : KindColumn(kind_) + StatusTextOf(shown_);
  out_.Write(OverLine(line));
  barOnLine_ = true;
  dirty_ = false;
  drawnAt_ = now;
}

void ProgressDisplay::Frame(const uint8_t* bytes, std::size_t size) {
  std::lock_guard guard(lock_);
  PollLocked(true);
  std::string line = ">";
  char pair[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, " %02X", bytes[i]);
    line += pair;
  }
  out_.Write(line + "\n");
}

void ProgressDisplay::End() {
  std::lock_guard guard(lock_);
  // The final text replaces the bar; drawing it as a bar first would show it twice.
  PollLocked(false);
  switch (mode_) {
    case ProgressMode::Bar:
      out_.Write(OverLine(KindColumn(kind_) + StatusTextOf(shown_)) + "\n");
      barOnLine_ = false;
      break;
    case ProgressMode::None:
      out_.Write(StatusTextOf(shown_) + "\n");
      break;
    default:
      break;
  }
  status_ = nullptr;
}

void ProgressDisplay::Line(const std::string& text) {
  std::lock_guard guard(lock_);
  if (mode_ == ProgressMode::Quiet) return;
  if (barOnLine_) {
    out_.Write("\n");
    barOnLine_ = false;
  }
  out_.Write(text + "\n");
}

int ProgressDisplay::Columns() const {
  const int columns = TerminalColumns(out_.Fd());
  return columns > 0 ? columns : kDefaultColumns;
}

}  // namespace brenvik::load
