#include "download/MmiDownload.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "serial/FrameLink.h"

namespace brenvik {
namespace {

constexpr uint8_t kMmiBodyLength = 0x84;
constexpr uint8_t kMmiCommand = 0x8A;
// Where the payload starts: STX, then body offset 3.
constexpr std::size_t kMmiPayloadAt = 1 + 3;

static_assert(sizeof(MmiBlock) >= kMmiPayloadSize);
static_assert(kMmiPayloadAt + kMmiPayloadSize + 2 <= kFrameBufferSize);

}  // namespace

void MmiPayload(uint8_t (&frameBuffer)[kFrameBufferSize], std::size_t at, const MmiBlock& block) {
  if (at >= kFrameBufferSize) return;
  const std::size_t n = std::min(kMmiPayloadSize, kFrameBufferSize - at);
  std::memcpy(&frameBuffer[at], &block, n);
}

void DownloadMmi(DownloadContext& ctx) {
  ctx.mmiStatusText.Set("Downloading MMI...");
  DiscardStaleAnswers(ctx);
  ctx.txError = 0;
  std::memset(ctx.frameBuffer, 0, sizeof ctx.frameBuffer);
  if (ctx.stop.Requested()) {
    ctx.mmiStatusText.Set("ERR: MMI stopped");
    return;
  }

  ctx.frameBuffer[0] = kStx;
  ctx.frameBuffer[1] = kMmiBodyLength;
  ctx.frameBuffer[2] = 0xFF;
  ctx.frameBuffer[3] = kMmiCommand;
  MmiPayload(ctx.frameBuffer, kMmiPayloadAt, ctx.mmiBlock);
  SealFrame(ctx);
  TraceFrame(ctx);
  SendFrame(ctx, Pacing::Paced);

  // The wait runs also after a failed transmission: once the message has been
  // dismissed, a closed port shows up as a time-out in the diagnostic.
  const ReplyResult reply = AwaitReply(ctx);
  if (reply.stopped) {
    ctx.mmiStatusText.Set("ERR: MMI stopped");
    return;
  }
  const int32_t rxTimeout = reply.timedOut != 0 ? 1 : 0;
  // NAK is a refusal like any other byte: the block is not sent again.
  const int32_t noAck = rxTimeout == 0 && static_cast<uint8_t>(reply.ret) != kAck ? 1 : 0;

  if (ctx.txError != 0) {
    ctx.mmiStatusText.Set("ERR: MMI tx error!");
  } else if (rxTimeout != 0) {
    ctx.mmiStatusText.Set("ERR: MMI rx timeout!");
  } else if (noAck != 0) {
    ctx.mmiStatusText.Set("ERR: MMI no ACK!");
  } else {
    ctx.mmiStatusText.Set("Completed!");
    return;
  }
  AppendLinkDiagnostic(ctx.mmiStatusText, reply);
}

unsigned MmiDownloadThread(void* context) {
  auto& ctx = *static_cast<DownloadContext*>(context);
  DownloadMmi(ctx);
  ctx.downloadRunning.store(false, std::memory_order_release);
  return 0;
}

}  // namespace brenvik
