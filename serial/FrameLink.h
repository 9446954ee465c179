#pragma once

#include <cstdint>

namespace brenvik {

struct DownloadContext;
class StatusText;

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;

// Outcome of one answer wait; also the values of the link diagnostic.
struct ReplyResult {
  int32_t k = 0;         // count of the last read attempt: 1 when a byte arrived
  int8_t ret = 0;        // the byte received (0 when none arrived)
  int32_t retry = 0;     // empty read attempts: 0 to 9 with an answer, 10 after a time-out
  int32_t timedOut = 0;  // 1 when ten attempts found no byte
  bool stopped = false;  // the wait was cut short by a stop request
};

enum class Pacing { Paced, Unpaced };

// Stores the checksum of body bytes 0 to LEN-1 at body offset LEN and ETX
// behind it; LEN is read from body byte 0 (frameBuffer element 1).
void SealFrame(DownloadContext& ctx);
// Echoes the frame on standard output: raw STX, "%.2X" per body byte up to the
// checksum, raw ETX, no line end; or hands the frame's bytes to the context's
// trace sink when it has one. Does nothing when tracing is off.
void TraceFrame(DownloadContext& ctx);
// Sends STX, the body as hex pairs, ETX, then drains the port. A pair that is
// not written whole shows "Error, expected 2 but %d", sets txError and ends
// the pairs; ETX is still sent. Paced: each pair is one write, followed by
// 5 ms (2 ms after STX). Unpaced: the whole body is one write; a short one is
// reported with the count the cut pair took.
// A stop request during a paced frame ends the pairs the same way, without
// the message and without txError. Returns the count the last pair write
// reported: 2 when every pair went whole, less for the pair that failed.
int SendFrame(DownloadContext& ctx, Pacing pacing);
// Drops answer bytes left queued by an earlier download (the last answer of a
// database download is never read by it), so that a download reads only the
// answers to its own frames.
void DiscardStaleAnswers(DownloadContext& ctx);
// Waits 10 ms, then makes up to ten one-byte read attempts 100 ms apart. A
// stop request ends the wait before its next attempt (stopped set).
ReplyResult AwaitReply(DownloadContext& ctx);
// Appends "k = %0.2X, ret = %0.2X, retry = %d" to the status text.
void AppendLinkDiagnostic(StatusText& text, const ReplyResult& reply);

}  // namespace brenvik
