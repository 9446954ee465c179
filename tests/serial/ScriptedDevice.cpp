#include "ScriptedDevice.h"

#include <algorithm>
#include <cstring>

namespace brenvik::test {

bool CountingClock::Sleep(int ms, StopSignal& stop) {
  std::function<void()> hook;
  {
    std::lock_guard guard(lock_);
    hook = onSleep_;
  }
  if (hook) hook();
  if (stop.Requested()) return false;

  int64_t end = 0;
  {
    std::lock_guard guard(lock_);
    sleeps_.push_back(ms);
    end = now_ + ms;
  }
  // Fire the actions that fall inside this sleep, in time order; the lock is
  // not held while one runs, so an action may use the clock.
  for (;;) {
    std::function<void()> action;
    {
      std::lock_guard guard(lock_);
      auto first = actions_.begin();
      if (first == actions_.end() || first->first > end) break;
      now_ = std::max(now_, first->first);
      action = std::move(first->second);
      actions_.erase(first);
    }
    action();
    if (stop.Requested()) return false;  // cut short here, at the action's time
  }
  std::lock_guard guard(lock_);
  now_ = end;
  return true;
}

void CountingClock::At(int64_t atMs, std::function<void()> action) {
  std::lock_guard guard(lock_);
  actions_.emplace(atMs, std::move(action));
}

int64_t CountingClock::Now() const {
  std::lock_guard guard(lock_);
  return now_;
}

std::vector<int> CountingClock::Sleeps() const {
  std::lock_guard guard(lock_);
  return sleeps_;
}

int64_t CountingClock::TotalSleptMs() const {
  std::lock_guard guard(lock_);
  int64_t total = 0;
  for (int ms : sleeps_) total += ms;
  return total;
}

int ScriptedDevice::Write(const void* bytes, int n) {
  const int64_t at = clock_ != nullptr ? clock_->Now() : 0;
  std::lock_guard guard(lock_);
  const int call = static_cast<int>(writes_.size());
  WriteRecord record;
  record.requested = n;
  record.atMs = at;
  int accepted = open_ ? n : 0;
  if (auto it = shortWrites_.find(call); it != shortWrites_.end() && open_) {
    accepted = std::min(n, it->second);
  }
  const auto* p = static_cast<const uint8_t*>(bytes);
  record.bytes.assign(p, p + accepted);
  writes_.push_back(record);
  for (int i = 0; i < accepted; ++i) {
    line_.push_back(p[i]);
    if (p[i] == 0x03) {
      // The device answers when it sees the end of a frame; an answer still
      // held back from an earlier frame has arrived by now.
      ReleasePending();
      const Answer& answer = framesSeen_ < static_cast<int>(script_.size())
                                 ? script_[static_cast<std::size_t>(framesSeen_)]
                                 : default_;
      ++framesSeen_;
      pending_ = answer.bytes;
      pendingDelay_ = answer.emptyAttempts;
    }
  }
  return accepted;
}

void ScriptedDevice::ReleasePending() {
  rx_.insert(rx_.end(), pending_.begin(), pending_.end());
  pending_.clear();
  pendingDelay_ = 0;
}

int ScriptedDevice::Read(void* buffer, int n) {
  int call = 0;
  int count = 0;
  std::function<void(int)> hook;
  {
    std::lock_guard guard(lock_);
    call = readCalls_++;
    hook = onRead_;
    count = ReadQueued(static_cast<uint8_t*>(buffer), n);
  }
  if (hook) hook(call);
  return count;
}

int ScriptedDevice::ReadQueued(uint8_t* out, int n) {
  if (!open_ || n <= 0) return 0;
  if (!pending_.empty() && pendingDelay_ == 0) ReleasePending();
  if (rx_.empty()) {
    if (!pending_.empty()) --pendingDelay_;
    return 0;
  }
  int count = 0;
  while (count < n && !rx_.empty()) {
    out[count++] = rx_.front();
    rx_.pop_front();
  }
  return count;
}

void ScriptedDevice::OnRead(std::function<void(int call)> hook) {
  std::lock_guard guard(lock_);
  onRead_ = std::move(hook);
}

void ScriptedDevice::Drain() {
  std::lock_guard guard(lock_);
  drains_.push_back(line_.size());
}

void ScriptedDevice::Script(std::vector<Answer> answers) {
  std::lock_guard guard(lock_);
  script_ = std::move(answers);
}

void ScriptedDevice::DefaultAnswer(Answer answer) {
  std::lock_guard guard(lock_);
  default_ = std::move(answer);
}

void ScriptedDevice::ShortWriteAt(int call, int count) {
  std::lock_guard guard(lock_);
  shortWrites_[call] = count;
}

void ScriptedDevice::DiscardInput() {
  std::lock_guard guard(lock_);
  ++discardCalls_;
  if (open_) rx_.clear();
}

int ScriptedDevice::DiscardCalls() const {
  std::lock_guard guard(lock_);
  return discardCalls_;
}

void ScriptedDevice::Close() {
  std::lock_guard guard(lock_);
  open_ = false;
}

void ScriptedDevice::Queue(std::vector<uint8_t> bytes) {
  std::lock_guard guard(lock_);
  rx_.insert(rx_.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> ScriptedDevice::Line() const {
  std::lock_guard guard(lock_);
  return line_;
}

std::vector<WriteRecord> ScriptedDevice::Writes() const {
  std::lock_guard guard(lock_);
  return writes_;
}

namespace {

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<std::vector<uint8_t>> ScriptedDevice::Frames() const {
  const std::vector<uint8_t> line = Line();
  std::vector<std::vector<uint8_t>> frames;
  std::vector<uint8_t> hex;
  bool inFrame = false;
  for (uint8_t c : line) {
    if (c == 0x02) {
      inFrame = true;
      hex.clear();
    } else if (c == 0x03 && inFrame) {
      std::vector<uint8_t> body;
      for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]);
        const int lo = HexValue(hex[i + 1]);
        body.push_back(static_cast<uint8_t>(hi < 0 || lo < 0 ? 0xEE : hi * 16 + lo));
      }
      frames.push_back(body);
      inFrame = false;
    } else if (inFrame) {
      hex.push_back(c);
    }
  }
  return frames;
}

int ScriptedDevice::EtxCount() const {
  const std::vector<uint8_t> line = Line();
  return static_cast<int>(std::count(line.begin(), line.end(), uint8_t{0x03}));
}

int ScriptedDevice::ReadCalls() const {
  std::lock_guard guard(lock_);
  return readCalls_;
}

std::vector<std::size_t> ScriptedDevice::Drains() const {
  std::lock_guard guard(lock_);
  return drains_;
}

}  // namespace brenvik::test
