#include "download/DownloadRunner.h"

#include <system_error>

#include "base/TimerResolution.h"
#include "download/DbDownload.h"
#include "download/MmiDownload.h"

namespace brenvik {

DownloadRunner::~DownloadRunner() { Stop(); }

bool DownloadRunner::Start(DownloadContext& ctx, DevicePort& port, DownloadKind kind) {
  if (ctx.downloadRunning.load(std::memory_order_acquire)) return false;
  if (worker_.joinable()) {
    if (ctx_ != nullptr && ctx_->downloadRunning.load(std::memory_order_acquire)) return false;
    worker_.join();  // it has written its final text and is returning
  }

  // The port first: the worker must never see an unset port.
  ctx.link.SetPort(&port);
  ctx.stop.Reset();
  ctx.downloadRunning.store(true, std::memory_order_release);
  ctx_ = &ctx;
  try {
    const auto entry = kind == DownloadKind::Db ? DbDownloadThread : MmiDownloadThread;
    worker_ = std::thread([entry, context = static_cast<void*>(&ctx)] {
      const HighTimerResolution resolution;
      entry(context);
    });
  } catch (const std::system_error&) {
    ctx.downloadRunning.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

bool DownloadRunner::Running() const {
  return ctx_ != nullptr && ctx_->downloadRunning.load(std::memory_order_acquire);
}

void DownloadRunner::Stop() {
  if (!worker_.joinable()) return;
  ctx_->stop.Request();
  worker_.join();
}

void DownloadRunner::Join() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace brenvik
