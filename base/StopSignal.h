#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brenvik {

// A stop request for a running download, and the sleeps that it cuts short.
class StopSignal {
 public:
  void Request();
  void Reset();
  bool Requested() const;
  // Sleeps for `duration` unless a stop is requested first; returns false
  // when the sleep ended because of a stop request.
  bool WaitFor(std::chrono::milliseconds duration);

 private:
  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool requested_ = false;
};

}  // namespace brenvik
