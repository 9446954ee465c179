#include "download/DownloadOutcome.h"

#include <atomic>

namespace brenvik {

void WriteFinalText(StatusText& status, const char* kind, const DownloadEnd& end,
                    const ReplyResult& reply) {
  if (end.stopped) {
    status.Format("ERR: %s stopped", kind);
    return;
  }
  const char* failure = end.txError       ? "tx error!"
                        : end.rxTimeout   ? "rx timeout!"
                        : end.noAck       ? "no ACK!"
                        : end.tooManyNaks ? "too many NAKs!"
                                          : nullptr;
  if (failure == nullptr) {
    status.Set("Completed!");
    return;
  }
  status.Format("ERR: %s %s", kind, failure);
  AppendLinkDiagnostic(status, reply);
}

void AppendLinkDiagnostic(StatusText& text, const ReplyResult& reply) {
  // The operator knows this line as "k = %0.2X, ...": the 0 flag has no effect
  // beside a precision (and the compiler warns about it), so "%.2X" prints the
  // same digits. ret is signed: 0x90 shows as FFFFFF90.
  text.Append("k = %.2X, ret = %.2X, retry = %d", static_cast<unsigned>(reply.k),
              static_cast<unsigned>(static_cast<int32_t>(reply.ret)), reply.retry);
}

unsigned RunDownloadThread(void* context, void (*download)(DownloadContext&)) {
  auto& ctx = *static_cast<DownloadContext*>(context);
  download(ctx);
  ctx.downloadRunning.store(false, std::memory_order_release);
  return 0;
}

}  // namespace brenvik
