#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "base/LinkClock.h"
#include "base/StopSignal.h"
#include "files/ConsoleChannel.h"
#include "serial/DevicePort.h"
#include "serial/WireProtocol.h"

namespace brenvik {

// One frame is built in a buffer of this size: STX in element 0, the body
// from element 1 on, ETX behind the body's checksum.
inline constexpr std::size_t kFrameBufferSize = 300;
using FrameBuffer = uint8_t[kFrameBufferSize];

// Where the body starts in the frame buffer, behind STX. The body's layout
// is in WireProtocol.h.
inline constexpr std::size_t kFrameBodyAt = 1;

// Outcome of one answer wait; also the values of the link diagnostic.
struct ReplyResult {
  int32_t k = 0;         // count of the last read attempt: 1 when a byte arrived
  int8_t ret = 0;        // the byte received (0 when none arrived)
  int32_t retry = 0;     // empty read attempts: 0 to 9 with an answer, 10 after a time-out
  int32_t timedOut = 0;  // 1 when ten attempts found no byte
  bool stopped = false;  // the wait was cut short by a stop request
};

// Outcome of sending one frame.
struct SendResult {
  int count = 2;         // what the last pair write reported: 2 when every pair went whole
  bool failed = false;   // a pair was not written whole; the operator was told
  bool stopped = false;  // a stop request ended the pairs early
};

enum class Pacing { Paced, Unpaced };

// Shows "Error, expected 2 but %d" to the operator and returns once it has
// been dismissed; the sending thread waits meanwhile.
using TxErrorHandler = std::function<void(const char* text)>;

// The frame link: seals, traces and sends frames to the device and waits for
// its one-byte answers. It is built from the port, the clock its pacing and
// polling sleep on, the stop signal that cuts those sleeps short, the
// short-write handler, the console channel and the trace switch; the frames
// themselves are the caller's. Every operation runs on the download's thread; the port is set
// before the download starts.
class FrameLink {
 public:
  explicit FrameLink(StopSignal& stop) : stop_(stop) {}
  FrameLink(const FrameLink&) = delete;
  FrameLink& operator=(const FrameLink&) = delete;

  // No port behaves as a closed one.
  void SetPort(DevicePort* port) { port_ = port; }
  DevicePort* Port() const { return port_; }
  void SetClock(LinkClock& clock) { clock_ = &clock; }
  // Empty: the message goes to the console channel.
  void SetTxErrorHandler(TxErrorHandler handler) { showTxError_ = std::move(handler); }
  // Where the trace goes, and the short-write message without a handler;
  // nowhere until set. The channel must outlive the link's downloads.
  void SetConsole(ConsoleChannel& console) { console_ = &console; }
  // Whether frames are traced before they are sent.
  void SetTrace(bool on) { trace_ = on; }

  // Clears the buffer and writes STX and the body's header; the caller then
  // writes the payload.
  static void StartFrame(FrameBuffer& frame, uint8_t len, uint8_t command);
  // Stores the checksum of body bytes 0 to LEN-1 at body offset LEN and ETX
  // behind it; LEN is read from body byte 0.
  static void SealFrame(FrameBuffer& frame);
  // Hands the frame to the console channel, STX to ETX, in one call; nothing
  // when tracing is off.
  void TraceFrame(const FrameBuffer& frame) const;
  // Sends STX, the body as hex pairs, ETX, then drains the port. A pair that
  // is not written whole shows "Error, expected 2 but %d" and ends the pairs
  // (failed); ETX is still sent. Paced: each pair is one write, followed by
  // 5 ms (2 ms after STX). Unpaced: the whole body is one write; a short one
  // is reported with the count the cut pair took. A stop request during a
  // paced frame ends the pairs the same way, without the message (stopped).
  SendResult SendFrame(const FrameBuffer& frame, Pacing pacing);
  // Drops answer bytes left queued by an earlier download (the last answer
  // of a database download is never read by it), so that a download reads
  // only the answers to its own frames.
  void DiscardStaleAnswers();
  // Waits 10 ms, then makes up to ten one-byte read attempts 100 ms apart. A
  // stop request ends the wait before its next attempt (stopped set).
  ReplyResult AwaitReply();
  // Sleeps on the link's clock; false when a stop request cut it short.
  bool Pause(int ms);
  // Shows the short-write message through the handler, or the console channel.
  void ShowTxError(const char* text) const;

 private:
  int Write(const void* bytes, int n);
  int SendUnpacedBody(const uint8_t* body, uint8_t len);
  SendResult SendPacedBody(const uint8_t* body, uint8_t len);

  StopSignal& stop_;
  DevicePort* port_ = nullptr;
  LinkClock* clock_ = &SteadyLinkClock();
  TxErrorHandler showTxError_;
  ConsoleChannel* console_ = &SilentConsole();
  bool trace_ = true;
};

}  // namespace brenvik
