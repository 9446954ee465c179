#include "download/DownloadOutcome.h"

#include <atomic>

namespace brenvik {

DownloadOutcome DownloadEnd::Outcome() const {
  return stopped       ? DownloadOutcome::Stopped
         : txError     ? DownloadOutcome::TxError
         : rxTimeout   ? DownloadOutcome::RxTimeout
         : noAck       ? DownloadOutcome::NoAck
         : tooManyNaks ? DownloadOutcome::TooManyNaks
                       : DownloadOutcome::Completed;
}

void PublishEnd(StatusText& status, DownloadProgress progress, const DownloadEnd& end,
                const ReplyResult& reply) {
  progress.phase = DownloadPhase::Ended;
  progress.outcome = end.Outcome();
  progress.diagnostic = {reply.k, reply.ret, reply.retry};
  status.Publish(progress);
}

unsigned RunDownloadThread(void* context, void (*download)(DownloadContext&)) {
  auto& ctx = *static_cast<DownloadContext*>(context);
  download(ctx);
  ctx.downloadRunning.store(false, std::memory_order_release);
  return 0;
}

}  // namespace brenvik
