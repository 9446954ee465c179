#pragma once

#include <thread>

#include "download/DownloadContext.h"
#include "download/DownloadProgress.h"

namespace brenvik {

// Starts a download worker on a context and owns its thread: the window and
// the command-line loader start downloads the same way, and the thread is
// always joined, so the context outlives its worker.
class DownloadRunner {
 public:
  DownloadRunner() = default;
  ~DownloadRunner();  // stops a running download and joins it
  DownloadRunner(const DownloadRunner&) = delete;
  DownloadRunner& operator=(const DownloadRunner&) = delete;

  // Sets the context link's port, marks the download running and starts the worker. Returns
  // false (and starts nothing) while a download on this runner or on ctx
  // still runs, or when no thread could be started.
  bool Start(DownloadContext& ctx, DevicePort& port, DownloadKind kind);
  // True from Start until the worker has written its final text.
  bool Running() const;
  // Asks the worker to stop (it ends within about 150 ms) and joins it.
  // A worker blocked inside the short-write handler cannot see the request: the
  // caller that shows the message (the window) must dismiss it first, or
  // Stop waits until the operator does.
  void Stop();
  // Joins a worker that has ended or is ending by itself.
  void Join();

 private:
  DownloadContext* ctx_ = nullptr;
  std::thread worker_;
};

}  // namespace brenvik
