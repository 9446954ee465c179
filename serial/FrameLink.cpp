#include "serial/FrameLink.h"

#include <cstdio>

#include "download/DownloadContext.h"
#include "files/Console.h"

namespace brenvik {
namespace {

constexpr int kPacingAfterStxMs = 2;
constexpr int kPacingAfterPairMs = 5;
constexpr int kFirstPollDelayMs = 10;
constexpr int kPollIntervalMs = 100;
constexpr int kReadAttempts = 10;

// The body starts behind the STX byte in element 0.
// cppcheck-suppress constParameter ; the body is written through the pointer returned
uint8_t* Body(DownloadContext& ctx) { return ctx.frameBuffer + 1; }

// The port is fetched anew for every call, so a close on the UI thread is
// seen by the very next write or read; no port behaves as a closed one.
int PortWrite(DownloadContext& ctx, const void* bytes, int n) {
  DevicePort* port = ctx.port;
  return port != nullptr ? port->Write(bytes, n) : 0;
}

int PortRead(DownloadContext& ctx, void* buffer, int n) {
  DevicePort* port = ctx.port;
  return port != nullptr ? port->Read(buffer, n) : 0;
}

void PortDrain(DownloadContext& ctx) {
  DevicePort* port = ctx.port;
  if (port != nullptr) port->Drain();
}

// Same text as "%.2X" would give: two uppercase digits, leading zero.
void FormatPair(uint8_t byte, char (&pair)[3]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  pair[0] = kDigits[byte >> 4];
  pair[1] = kDigits[byte & 0x0F];
  pair[2] = '\0';
}

void ShowTxError(DownloadContext& ctx, int count) {
  char text[40];
  std::snprintf(text, sizeof text, "Error, expected 2 but %d", count);
  if (ctx.showTxError) {
    ctx.showTxError(text);  // returns once the operator has dismissed it
  } else {
    ConsoleWarn(text);
  }
}

}  // namespace

void SealFrame(DownloadContext& ctx) {
  uint8_t* body = Body(ctx);
  const uint8_t len = body[0];  // at most 255, so checksum and ETX stay inside the buffer
  uint8_t sum = 0;
  for (int i = 0; i < len; ++i) sum = static_cast<uint8_t>(sum + body[i]);
  body[len] = sum;
  body[len + 1] = kEtx;
}

void TraceFrame(DownloadContext& ctx) {
  if (!ctx.traceFrames) return;
  const uint8_t* body = Body(ctx);
  const uint8_t len = body[0];
  if (ctx.traceSink) {
    // STX, LEN+1 body bytes up to the checksum, ETX.
    ctx.traceSink(ctx.frameBuffer, static_cast<std::size_t>(len) + 3);
    return;
  }
  ConsolePutch(ctx.frameBuffer[0]);
  for (int i = 0; i <= len; ++i) ConsolePrintf("%.2X", body[i]);
  ConsolePutch(body[len + 1]);
}

// An unpaced body goes out in one write: the bytes on the line are those of
// pair-by-pair writes, without 84 system calls per frame. A short write is
// reported as the pair-by-pair writes would have reported it: the pair it
// cut took (written % 2) characters, and nothing behind it was sent.
namespace {

int SendUnpacedBody(DownloadContext& ctx, const uint8_t* body, uint8_t len) {
  char text[2 * 256];
  char* next = text;
  const int pairs = len + 1;
  for (int i = 0; i < pairs; ++i) {
    char pair[3];
    FormatPair(body[i], pair);
    *next++ = pair[0];
    *next++ = pair[1];
  }
  const int wanted = 2 * pairs;
  const int written = PortWrite(ctx, text, wanted);
  if (written == wanted) return 2;
  const int count = written > 0 ? written % 2 : 0;
  ShowTxError(ctx, count);
  ctx.txError = 1;
  return count;
}

int SendPacedBody(DownloadContext& ctx, const uint8_t* body, uint8_t len) {
  int count = 2;
  for (int i = 0; i <= len; ++i) {
    char pair[3];
    FormatPair(body[i], pair);
    count = PortWrite(ctx, pair, 2);
    const bool stopped = !ctx.clock->Sleep(kPacingAfterPairMs, ctx.stop);
    if (count != 2) {
      ShowTxError(ctx, count);
      ctx.txError = 1;
      break;
    }
    if (stopped) break;
  }
  return count;
}

}  // namespace

int SendFrame(DownloadContext& ctx, Pacing pacing) {
  const uint8_t* body = Body(ctx);
  const uint8_t len = body[0];
  int count = 2;

  PortWrite(ctx, &ctx.frameBuffer[0], 1);  // a failed STX goes unreported
  if (pacing == Pacing::Unpaced) {
    count = SendUnpacedBody(ctx, body, len);
  } else if (ctx.clock->Sleep(kPacingAfterStxMs, ctx.stop)) {
    count = SendPacedBody(ctx, body, len);
  }

  // ETX goes out even after a failed or stopped body, so the device finds
  // the end of the frame and resynchronises on the next STX.
  PortWrite(ctx, &body[len + 1], 1);
  // Writes are buffered by the system; the answer wait starts once the frame
  // has actually left.
  PortDrain(ctx);
  return count;
}

void DiscardStaleAnswers(DownloadContext& ctx) {
  DevicePort* port = ctx.port;
  if (port != nullptr) port->DiscardInput();
}

ReplyResult AwaitReply(DownloadContext& ctx) {
  ReplyResult reply;
  if (ctx.stop.Requested() || !ctx.clock->Sleep(kFirstPollDelayMs, ctx.stop)) {
    reply.stopped = true;
    return reply;
  }
  for (;;) {
    if (ctx.stop.Requested()) {
      reply.stopped = true;
      return reply;
    }
    // Only one byte per wait: a second byte stays queued for the next wait.
    uint8_t byte = 0;
    const int n = PortRead(ctx, &byte, 1);
    if (n > 0) {
      reply.k = n;
      reply.ret = static_cast<int8_t>(byte);
      return reply;
    }
    const bool slept = ctx.clock->Sleep(kPollIntervalMs, ctx.stop);
    ++reply.retry;
    if (!slept) {
      reply.stopped = true;
      return reply;
    }
    if (reply.retry >= kReadAttempts) {
      reply.timedOut = 1;
      reply.k = 0;
      return reply;
    }
  }
}

void AppendLinkDiagnostic(StatusText& text, const ReplyResult& reply) {
  // The operator knows this line as "k = %0.2X, ...": the 0 flag has no effect
  // beside a precision (and the compiler warns about it), so "%.2X" prints the
  // same digits. ret is signed: 0x90 shows as FFFFFF90.
  text.Append("k = %.2X, ret = %.2X, retry = %d", static_cast<unsigned>(reply.k),
              static_cast<unsigned>(static_cast<int32_t>(reply.ret)), reply.retry);
}

}  // namespace brenvik
