#include "base/StopSignal.h"

namespace brenvik {

void StopSignal::Request() {
  {
    std::lock_guard guard(lock_);
    requested_ = true;
  }
  wake_.notify_all();
}

void StopSignal::Reset() {
  std::lock_guard guard(lock_);
  requested_ = false;
}

bool StopSignal::Requested() const {
  std::lock_guard guard(lock_);
  return requested_;
}

bool StopSignal::WaitFor(std::chrono::milliseconds duration) {
  std::unique_lock guard(lock_);
  return !wake_.wait_for(guard, duration, [this] { return requested_; });
}

}  // namespace brenvik
