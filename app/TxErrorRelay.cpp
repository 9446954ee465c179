#include "app/TxErrorRelay.h"

#include <utility>

namespace brenvik::app {

TxErrorRelay::TxErrorRelay(WakeUi wakeUi, ShowBox showBox, const StopSignal& stop)
    : wakeUi_(std::move(wakeUi)), showBox_(std::move(showBox)), stop_(stop) {}

bool TxErrorRelay::LetGo(uint64_t id) const {
  return waiting_ != id || closed_ || stop_.Requested();
}

void TxErrorRelay::ShowAndWait(const char* text) {
  std::unique_lock guard(lock_);
  if (closed_ || stop_.Requested()) return;
  const uint64_t id = ++lastId_;
  waiting_ = id;
  text_ = text;
  // The box is shown by the UI thread's event loop, never here.
  wakeUi_();
  changed_.wait(guard, [&] { return LetGo(id); });
  if (waiting_ == id) waiting_ = 0;
}

void TxErrorRelay::ShowPending() {
  uint64_t id = 0;
  std::string text;
  {
    std::lock_guard guard(lock_);
    id = waiting_;
    if (id == 0 || id == shown_ || LetGo(id)) return;
    shown_ = id;
    text = text_;
  }
  showBox_(text);
  {
    std::lock_guard guard(lock_);
    // The worker may have let go while the box was up (a stop, a close).
    // cppcheck-suppress knownConditionTrueFalse ; waiting_ changes between the two locks
    if (waiting_ == id) waiting_ = 0;
  }
  changed_.notify_all();
}

void TxErrorRelay::StopRequested() {
  // Taking the lock orders this after a worker's check of the stop request,
  // so a worker that saw no stop is already waiting and gets the wake-up.
  { std::lock_guard guard(lock_); }
  changed_.notify_all();
}

void TxErrorRelay::Close() {
  {
    std::lock_guard guard(lock_);
    closed_ = true;
  }
  changed_.notify_all();
}

}  // namespace brenvik::app
