#include "tools/load/ProgressDisplay.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "tools/load/Terminal.h"

namespace brenvik::load {
namespace {

constexpr auto kBarInterval = std::chrono::milliseconds(100);
// The time left moves on while the device thinks; redraw for it now and then.
constexpr auto kBarRefresh = std::chrono::seconds(1);
constexpr int kDefaultColumns = 80;
constexpr std::size_t kMostLabel = 24;
constexpr const char* kEraseToEnd = "\x1b[K";
// The bar lines are one source of output: a redraw waiting replaces the one before.
constexpr int kBarSource = 1 << 20;

// "DB  ", "MMI ": the kind column of the bar and of the final line.
std::string KindColumn(DownloadKind kind) {
  std::string column = KindName(kind);
  column.resize(std::max<std::size_t>(column.size() + 1, 4), ' ');
  return column;
}

}  // namespace

std::string PortShortName(const std::string& port) {
  const std::string dev = "/dev/";
  const bool inDev = port.rfind(dev, 0) == 0 && port.find('/', dev.size()) == port.rfind('/');
  const std::size_t slash = port.find_last_of("/\\");
  std::string name = inDev                        ? port.substr(dev.size())
                     : slash == std::string::npos ? port
                                                  : port.substr(slash + 1);
  if (name.size() > kMostLabel) name = "..." + name.substr(name.size() - (kMostLabel - 3));
  return name;
}

ProgressDisplay::ProgressDisplay(OutputChannel& out, OutputChannel& err, ProgressMode mode,
                                 std::vector<std::string> ports)
    : out_(out), err_(err), mode_(mode), ports_(std::move(ports)), rows_(ports_.size()) {
  std::size_t width = 0;
  for (const std::string& port : ports_) width = std::max(width, PortShortName(port).size());
  for (const std::string& port : ports_) {
    std::string label = PortShortName(port);
    label.resize(width, ' ');
    labels_.push_back(Several() ? label : std::string());
  }
}

std::string ProgressDisplay::Prefix(int port) const {
  return Several() && port != kNoPort ? ports_[static_cast<std::size_t>(port)] + ": "
                                      : std::string();
}

void ProgressDisplay::Begin(int port, DownloadKind kind) {
  std::lock_guard guard(lock_);
  TakeEventsLocked();
  Row& row = rows_[static_cast<std::size_t>(port)];
  row.kind = kind;
  row.progress = {};
  row.progress.kind = kind;
  row.text.clear();
  row.estimator.Reset();
  row.active = true;
  dirty_ = true;
}

void ProgressDisplay::Changed(int port, const DownloadProgress& progress) {
  if (progress.phase == DownloadPhase::None) return;
  const Clock::time_point now = Clock::now();
  std::lock_guard guard(queueLock_);
  queued_.events.push_back({port, now, progress});
}

void ProgressDisplay::Frame(int port, const uint8_t* bytes, std::size_t size) {
  std::lock_guard guard(queueLock_);
  Event event;
  event.port = port;
  event.frame = true;
  event.frameAt = queued_.frameBytes.size();
  event.frameSize = size;
  queued_.frameBytes.insert(queued_.frameBytes.end(), bytes, bytes + size);
  queued_.events.push_back(event);
}

void ProgressDisplay::TakeEventsLocked() {
  {
    std::lock_guard guard(queueLock_);
    if (queued_.events.empty()) return;
    std::swap(queued_, taken_);
  }
  for (const Event& event : taken_.events) {
    if (event.frame) {
      PostFrameLocked(event.port, taken_.frameBytes.data() + event.frameAt, event.frameSize);
    } else {
      ApplyChangeLocked(event);
    }
  }
  taken_.events.clear();
  taken_.frameBytes.clear();
}

void ProgressDisplay::ApplyChangeLocked(const Event& event) {
  const DownloadProgress& progress = event.progress;
  Row& row = rows_[static_cast<std::size_t>(event.port)];
  row.progress = progress;
  dirty_ = true;
  if (progress.phase == DownloadPhase::Writing) row.estimator.Observe(event.at, progress.sent);
  if (mode_ != ProgressMode::Lines) return;
  std::string text = StatusTextOf(progress);
  if (text == row.text) return;
  row.text = text;
  // A figure that a newer one follows may be merged into it while the reader lags.
  out_.Post(Prefix(event.port) + text + "\n", event.port, progress.phase == DownloadPhase::Writing);
}

void ProgressDisplay::PostFrameLocked(int port, const uint8_t* bytes, std::size_t size) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string line = Prefix(port) + ">";
  line.reserve(line.size() + 3 * size + 1);
  for (std::size_t i = 0; i < size; ++i) {
    line += ' ';
    line += kHexDigits[bytes[i] >> 4];
    line += kHexDigits[bytes[i] & 0x0F];
  }
  line += '\n';
  out_.Post(std::move(line), port);
}

void ProgressDisplay::End(int port) {
  std::lock_guard guard(lock_);
  TakeEventsLocked();
  Row& row = rows_[static_cast<std::size_t>(port)];
  row.active = false;
  dirty_ = true;
  const std::string text = StatusTextOf(row.progress);
  if (mode_ == ProgressMode::None) out_.Post(Prefix(port) + text + "\n", port);
  if (mode_ != ProgressMode::Bar || Several()) return;
  // The final text takes the bar's place, on a line of its own. Appended
  // piece by piece: GCC 12 at -O3 warns falsely about "literal" + std::string.
  std::string line = "\r";
  line += KindColumn(row.kind);
  line += text;
  line += kEraseToEnd;
  line += "\n";
  out_.Post(std::move(line), kBarSource);
  drawnLines_ = 0;
  dirty_ = false;
}

void ProgressDisplay::Counted(int port, bool passed) {
  std::lock_guard guard(lock_);
  Row& row = rows_[static_cast<std::size_t>(port)];
  ++(passed ? row.passed : row.failed);
  dirty_ = true;
}

void ProgressDisplay::Line(int port, const std::string& text) {
  std::lock_guard guard(lock_);
  TakeEventsLocked();
  if (mode_ == ProgressMode::Quiet) return;
  EndBlockLocked();
  out_.Post(Prefix(port) + text + "\n", port);
}

void ProgressDisplay::Line(const std::string& text) { Line(kNoPort, text); }

void ProgressDisplay::Warn(int port, const std::string& text) {
  Say("brenvik-load: " + Prefix(port) + text);
}

void ProgressDisplay::Say(const std::string& text) {
  std::lock_guard guard(lock_);
  TakeEventsLocked();
  EndBlockLocked();
  err_.PostAfter(text + "\n", out_);
}

void ProgressDisplay::Tick() {
  std::lock_guard guard(lock_);
  TakeEventsLocked();
  if (mode_ != ProgressMode::Bar) return;
  const auto now = Clock::now();
  const bool writing = std::any_of(rows_.begin(), rows_.end(), [](const Row& row) {
    return row.active && row.progress.phase == DownloadPhase::Writing;
  });
  const bool shown = std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) {
    return row.progress.phase != DownloadPhase::None && (row.active || Several());
  });
  if (!shown) return;
  if ((dirty_ && now - drawnAt_ >= kBarInterval) || (writing && now - drawnAt_ >= kBarRefresh)) {
    DrawLocked(now);
  }
}

void ProgressDisplay::Finish() {
  std::lock_guard guard(lock_);
  TakeEventsLocked();
  if (mode_ != ProgressMode::Bar || !Several()) return;
  finished_ = true;
  DrawLocked(Clock::now());
  EndBlockLocked();
}

std::string ProgressDisplay::RowLine(const Row& row, std::size_t index, int columns,
                                     Clock::time_point now) const {
  const std::string& label = labels_[index];
  if (row.progress.phase == DownloadPhase::Writing && row.active) {
    return FormatProgressLine(row.progress, row.estimator.EstimateAt(now, row.progress.count),
                              columns, label);
  }
  const std::string head = label.empty() ? label : label + " ";
  if (row.progress.phase == DownloadPhase::None) {
    return head + (finished_ ? "not loaded" : "waiting for the port");
  }
  return head + KindColumn(row.kind) + StatusTextOf(row.progress);
}

std::string ProgressDisplay::TotalLine() const {
  int passed = 0;
  int failed = 0;
  long sent = 0;
  long count = 0;
  for (const Row& row : rows_) {
    passed += row.passed;
    failed += row.failed;
    if (row.active && row.progress.kind == DownloadKind::Db && row.progress.count > 0) {
      sent += row.progress.sent;
      count += row.progress.count;
    }
  }
  std::string line =
      "devices: " + std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
  if (count > 0) line += ", " + std::to_string(sent) + "/" + std::to_string(count) + " entries";
  return line;
}

void ProgressDisplay::DrawLocked(Clock::time_point now) {
  const int terminal = TerminalColumns(out_.Fd());
  const int columns = terminal > 0 ? terminal : kDefaultColumns;
  std::vector<std::string> lines;
  if (Several()) {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      lines.push_back(RowLine(rows_[i], i, columns, now));
    lines.push_back(TotalLine());
  } else {
    lines.push_back(RowLine(rows_.front(), 0, columns, now));
  }
  // Back to the start of the block, then each line over the old one; the
  // cursor stays at the end of the last.
  std::string block = "\r";
  if (drawnLines_ > 1) block += "\x1b[" + std::to_string(drawnLines_ - 1) + "A";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // One column short of the width: a line that fills it wraps on some terminals.
    std::string line = lines[i].substr(0, static_cast<std::size_t>(std::max(columns - 1, 1)));
    block += line + kEraseToEnd + (i + 1 < lines.size() ? "\n" : "");
  }
  // Only a redraw over a block already there may be merged into a newer one.
  out_.Post(std::move(block), kBarSource, drawnLines_ > 0);
  drawnLines_ = static_cast<int>(lines.size());
  dirty_ = false;
  drawnAt_ = now;
}

void ProgressDisplay::EndBlockLocked() {
  if (drawnLines_ == 0) return;
  out_.Post("\n", kBarSource);
  drawnLines_ = 0;
}

}  // namespace brenvik::load
