#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "base/StopSignal.h"

namespace brenvik::app {

// Carries the worker's "Error, expected 2 but %d" to the UI thread, where
// boxes may be shown, and holds the worker until the operator has dismissed
// the box. The worker is let go at once when its download is being stopped or
// the window is closing, and a box whose worker has been let go is never
// shown, so no box appears for a port that has meanwhile been closed.
class TxErrorRelay {
 public:
  using ShowBox = std::function<void(const QString& text)>;

  // uiObject lives on the UI thread; showBox runs there and returns once the
  // box was dismissed; stop is the running download's stop request.
  TxErrorRelay(QObject& uiObject, ShowBox showBox, const StopSignal& stop);
  TxErrorRelay(const TxErrorRelay&) = delete;
  TxErrorRelay& operator=(const TxErrorRelay&) = delete;

  // Worker thread: shows text and waits for the dismissal, the stop request
  // or the window's closing, whichever comes first.
  void ShowAndWait(const char* text);

  // UI thread, right after a stop request: a waiting worker returns and its
  // box, if not yet shown, is dropped.
  void StopRequested();
  // UI thread, when the window closes: from now on no box is shown.
  void Close();

 private:
  void ShowOnUiThread(uint64_t id, const QString& text);
  bool LetGo(uint64_t id) const;  // with lock_ held

  QObject& uiObject_;
  ShowBox showBox_;
  const StopSignal& stop_;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  uint64_t lastId_ = 0;   // guarded by lock_: the last box asked for
  uint64_t waiting_ = 0;  // guarded by lock_: the box a worker waits for, 0 when none
  bool closed_ = false;   // guarded by lock_
};

}  // namespace brenvik::app
