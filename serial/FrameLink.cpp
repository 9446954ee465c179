#include "serial/FrameLink.h"

#include <cstdio>
#include <cstring>

namespace brenvik {
namespace {

constexpr int kPacingAfterStxMs = 2;
constexpr int kPacingAfterPairMs = 5;
constexpr int kFirstPollDelayMs = 10;
constexpr int kPollIntervalMs = 100;
constexpr int kReadAttempts = 10;

// Same text as "%.2X" would give: two uppercase digits, leading zero.
void FormatPair(uint8_t byte, char (&pair)[3]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  pair[0] = kDigits[byte >> 4];
  pair[1] = kDigits[byte & 0x0F];
  pair[2] = '\0';
}

}  // namespace

void FrameLink::StartFrame(FrameBuffer& frame, uint8_t len, uint8_t command) {
  std::memset(frame, 0, sizeof frame);
  frame[0] = kStx;
  uint8_t* body = frame + kFrameBodyAt;
  body[kBodyLenAt] = len;
  body[kBodyMarkerAt] = kBodyMarker;
  body[kBodyCommandAt] = command;
}

void FrameLink::SealFrame(FrameBuffer& frame) {
  uint8_t* body = frame + kFrameBodyAt;
  const uint8_t len = body[kBodyLenAt];  // at most 255: checksum and ETX stay inside
  body[len] = BodyChecksum({body, len});
  body[len + 1] = kEtx;
}

void FrameLink::TraceFrame(const FrameBuffer& frame) const {
  if (!trace_) return;
  const uint8_t len = frame[kFrameBodyAt + kBodyLenAt];
  // STX, LEN+1 body bytes up to the checksum, ETX.
  console_->TraceFrame({frame, static_cast<std::size_t>(len) + 3});
}

void FrameLink::ShowTxError(const char* text) const {
  if (showTxError_) {
    showTxError_(text);  // returns once the operator has dismissed it
  } else {
    console_->Report(text);
  }
}

// The port is fetched anew for every call, so a close on the UI thread is
// seen by the very next write or read.
int FrameLink::Write(const void* bytes, int n) {
  DevicePort* port = port_;
  return port != nullptr ? port->Write(bytes, n) : 0;
}

// An unpaced body goes out in one write: the bytes on the line are those of
// pair-by-pair writes, without 84 system calls per frame. A short write is
// reported as the pair-by-pair writes would have reported it: the pair it
// cut took (written % 2) characters, and nothing behind it was sent.
int FrameLink::SendUnpacedBody(const uint8_t* body, uint8_t len) {
  char text[BodyHexDigits(0xFF)];
  char* next = text;
  for (int i = 0; i <= len; ++i) {
    char pair[3];
    FormatPair(body[i], pair);
    *next++ = pair[0];
    *next++ = pair[1];
  }
  const auto wanted = static_cast<int>(BodyHexDigits(len));
  const int written = Write(text, wanted);
  return written == wanted ? 2 : (written > 0 ? written % 2 : 0);
}

SendResult FrameLink::SendPacedBody(const uint8_t* body, uint8_t len) {
  SendResult result;
  for (int i = 0; i <= len; ++i) {
    char pair[3];
    FormatPair(body[i], pair);
    result.count = Write(pair, 2);
    result.stopped = !Pause(kPacingAfterPairMs);
    if (result.count != 2) {
      result.failed = true;
      break;
    }
    if (result.stopped) break;
  }
  return result;
}

SendResult FrameLink::SendFrame(const FrameBuffer& frame, Pacing pacing) {
  const uint8_t* body = frame + kFrameBodyAt;
  const uint8_t len = body[kBodyLenAt];
  SendResult result;

  Write(&frame[0], 1);  // a failed STX goes unreported
  if (pacing == Pacing::Unpaced) {
    result.count = SendUnpacedBody(body, len);
    result.failed = result.count != 2;
  } else if (Pause(kPacingAfterStxMs)) {
    result = SendPacedBody(body, len);
  } else {
    result.stopped = true;
  }
  if (result.failed) {
    char text[40];
    std::snprintf(text, sizeof text, "Error, expected 2 but %d", result.count);
    ShowTxError(text);
  }

  // ETX goes out even after a failed or stopped body, so the device finds
  // the end of the frame and resynchronises on the next STX.
  Write(&body[len + 1], 1);
  // Writes are buffered by the system; the answer wait starts once the frame
  // has actually left.
  if (DevicePort* port = port_; port != nullptr) port->Drain();
  return result;
}

void FrameLink::DiscardStaleAnswers() {
  if (DevicePort* port = port_; port != nullptr) port->DiscardInput();
}

bool FrameLink::Pause(int ms) { return clock_->Sleep(ms, stop_); }

ReplyResult FrameLink::AwaitReply() {
  ReplyResult reply;
  if (stop_.Requested() || !Pause(kFirstPollDelayMs)) {
    reply.stopped = true;
    return reply;
  }
  for (;;) {
    if (stop_.Requested()) {
      reply.stopped = true;
      return reply;
    }
    // Only one byte per wait: a second byte stays queued for the next wait.
    uint8_t byte = 0;
    DevicePort* port = port_;
    const int n = port != nullptr ? port->Read(&byte, 1) : 0;
    if (n > 0) {
      reply.k = n;
      reply.ret = static_cast<int8_t>(byte);
      return reply;
    }
    const bool slept = Pause(kPollIntervalMs);
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

}  // namespace brenvik
