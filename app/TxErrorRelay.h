#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "base/StopSignal.h"

namespace brenvik::app {

// Carries the worker's "Error, expected 2 but %d" to the UI thread, where
// boxes may be shown, and holds the worker until the operator has dismissed
// the box. The worker is let go at once when its download is being stopped or
// the window is closing, and a box whose worker has been let go is never
// shown, so no box appears for a port that has meanwhile been closed.
//
// The toolkit only carries a wake-up across: the worker asks for one, and the
// UI thread answers it by calling ShowPending from its event loop.
class TxErrorRelay {
 public:
  // Any thread: makes the UI thread call ShowPending soon; never waits.
  using WakeUi = std::function<void()>;
  // UI thread: shows text with one OK button and returns once it was dismissed.
  using ShowBox = std::function<void(const std::string& text)>;

  // stop is the running download's stop request.
  TxErrorRelay(WakeUi wakeUi, ShowBox showBox, const StopSignal& stop);
  TxErrorRelay(const TxErrorRelay&) = delete;
  TxErrorRelay& operator=(const TxErrorRelay&) = delete;

  // Worker thread: shows text and waits for the dismissal, the stop request
  // or the window's closing, whichever comes first.
  void ShowAndWait(const char* text);

  // UI thread, once woken: shows the box a worker waits for, if it still
  // waits and its box is not already up; otherwise does nothing.
  void ShowPending();
  // UI thread, right after a stop request: a waiting worker returns and its
  // box, if not yet shown, is dropped.
  void StopRequested();
  // UI thread, when the window closes: from now on no box is shown.
  void Close();

 private:
  bool LetGo(uint64_t id) const;  // with lock_ held

  WakeUi wakeUi_;
  ShowBox showBox_;
  const StopSignal& stop_;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  uint64_t lastId_ = 0;   // guarded by lock_: the last box asked for
  uint64_t waiting_ = 0;  // guarded by lock_: the box a worker waits for, 0 when none
  uint64_t shown_ = 0;    // guarded by lock_: the last box put up
  std::string text_;      // guarded by lock_: the text of box waiting_
  bool closed_ = false;   // guarded by lock_
};

}  // namespace brenvik::app
