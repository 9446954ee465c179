#include "download/MmiDownload.h"

#include <algorithm>
#include <cstring>

#include "download/DownloadOutcome.h"
#include "serial/FrameLink.h"
#include "serial/WireProtocol.h"

namespace brenvik {
namespace {

constexpr std::size_t kMmiPayloadAt = kFrameBodyAt + kBodyPayloadAt;

static_assert(sizeof(MmiBlock) >= kMmiPayloadSize);
static_assert(kMmiPayloadAt + kMmiPayloadSize + 2 <= kFrameBufferSize);

}  // namespace

void MmiPayload(FrameBuffer& frameBuffer, std::size_t at, const MmiBlock& block) {
  if (at >= kFrameBufferSize) return;
  const std::size_t n = std::min(kMmiPayloadSize, kFrameBufferSize - at);
  std::memcpy(&frameBuffer[at], &block, n);
}

void DownloadMmi(DownloadContext& ctx) {
  FrameLink& link = ctx.link;
  DownloadProgress progress;
  progress.kind = DownloadKind::Mmi;
  progress.phase = DownloadPhase::Started;
  progress.count = 1;
  ctx.mmiStatusText.Publish(progress);
  link.DiscardStaleAnswers();
  ctx.txError = 0;
  std::memset(ctx.frameBuffer, 0, sizeof ctx.frameBuffer);
  DownloadEnd end;
  ReplyResult reply;
  if (ctx.stop.Requested()) {
    end.stopped = true;
  } else {
    FrameLink::StartFrame(ctx.frameBuffer, kMmiBodyLength, kMmiCommand);
    MmiPayload(ctx.frameBuffer, kMmiPayloadAt, ctx.mmiBlock);
    FrameLink::SealFrame(ctx.frameBuffer);
    link.TraceFrame(ctx.frameBuffer);
    if (link.SendFrame(ctx.frameBuffer, Pacing::Paced).failed) ctx.txError = 1;

    // The wait runs also after a failed transmission: once the message has
    // been dismissed, a closed port shows up as a time-out in the diagnostic.
    reply = link.AwaitReply();
    end.stopped = reply.stopped;
    end.rxTimeout = reply.timedOut != 0;
    // NAK is a refusal like any other byte: the block is not sent again.
    end.noAck = !end.rxTimeout && static_cast<uint8_t>(reply.ret) != kAck;
    progress.answered = !end.stopped && !end.rxTimeout;
  }
  end.txError = ctx.txError != 0;
  progress.sent = end.Outcome() == DownloadOutcome::Completed ? 1 : 0;
  PublishEnd(ctx.mmiStatusText, progress, end, reply);
}

unsigned MmiDownloadThread(void* context) { return RunDownloadThread(context, DownloadMmi); }

}  // namespace brenvik
