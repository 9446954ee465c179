#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

#include "base/FileDescriptor.h"

namespace brenvik::app {

// Turns SIGTERM, SIGHUP and SIGINT into a call on the UI thread. A signal
// handler may do next to nothing, so it only writes the signal's number into
// a socket that the event loop watches; the call happens from there. While
// the watcher lives it owns those three signals; it gives them back to their
// earlier handlers when destroyed. One watcher at a time.
class SignalWatcher : public QObject {
  Q_OBJECT

 public:
  using OnSignal = std::function<void(int signal)>;

  explicit SignalWatcher(OnSignal onSignal);
  ~SignalWatcher() override;
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  // False when the socket or a handler could not be set up; the signals then
  // keep their earlier handling.
  bool Active() const { return m_notifier != nullptr; }

 private:
  void ReadSignals();

  OnSignal m_onSignal;
  FileDescriptor m_readEnd;   // read by the event loop
  FileDescriptor m_writeEnd;  // written by the signal handler
  std::unique_ptr<QSocketNotifier> m_notifier;
  struct sigaction m_previous[3] = {};
};

}  // namespace brenvik::app
