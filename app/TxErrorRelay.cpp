#include "app/TxErrorRelay.h"

#include <QMetaObject>
#include <utility>

namespace brenvik::app {

TxErrorRelay::TxErrorRelay(QObject& uiObject, ShowBox showBox, const StopSignal& stop)
    : uiObject_(uiObject), showBox_(std::move(showBox)), stop_(stop) {}

bool TxErrorRelay::LetGo(uint64_t id) const {
  return waiting_ != id || closed_ || stop_.Requested();
}

void TxErrorRelay::ShowAndWait(const char* text) {
  std::unique_lock guard(lock_);
  if (closed_ || stop_.Requested()) return;
  const uint64_t id = ++lastId_;
  waiting_ = id;
  // Queued: the box is shown by the UI thread's event loop, never here.
  QMetaObject::invokeMethod(
      &uiObject_,
      [this, id, message = QString::fromLocal8Bit(text)] { ShowOnUiThread(id, message); },
      Qt::QueuedConnection);
  changed_.wait(guard, [&] { return LetGo(id); });
  if (waiting_ == id) waiting_ = 0;
}

void TxErrorRelay::ShowOnUiThread(uint64_t id, const QString& text) {
  {
    std::lock_guard guard(lock_);
    if (LetGo(id)) return;
  }
  showBox_(text);
  {
    std::lock_guard guard(lock_);
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
