#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "base/LinkClock.h"
#include "serial/DevicePort.h"

namespace brenvik::bench {

// What decides a download's pace on a real serial line, in the model's terms.
struct LineSetup {
  int baud = 9600;  // 10 bits a byte (8N1)
  // Whether the adapter's driver reports its transmitter empty, so that a
  // drain lasts until the last byte is on the wire; false: a drain ends at
  // once, as on a pseudo-terminal or an adapter that only counts the bytes
  // handed to the chip.
  bool waitForWire = true;
  // The adapter's latency timer: what it receives is handed to the PC at the
  // timer's next tick; 0 hands it over at once.
  int latencyMs = 0;
  // Where the timer ticks: at latencyPhaseMs + k * latencyMs from the open.
  double latencyPhaseMs = 0;
  // The device's time from a frame's last byte to its answer.
  double deviceMs = 0;
};

// A serial line in virtual time with a device behind it that answers ACK to
// every frame but the first DB frame, as the device does. It is both the
// port and the clock of a frame link: sleeps only advance the time, so a
// whole DB download at 9600 baud is computed in milliseconds.
class ModelledLine final : public DevicePort, public LinkClock {
 public:
  explicit ModelledLine(const LineSetup& setup);

  int Write(const void* bytes, int n) override;
  int Read(void* buffer, int n) override;
  void Drain() override;
  void DiscardInput() override;
  bool Sleep(int ms, StopSignal& stop) override;

  double NowMs() const { return nowMs_; }
  double ByteMs() const { return byteMs_; }

 private:
  struct PendingAnswer {
    double readableAtMs;
    uint8_t byte;
  };
  void EndOfFrame(double etxOnWireMs);
  double NextTick(double atMs) const;

  LineSetup setup_;
  double byteMs_;
  double nowMs_ = 0;
  double wireFreeAtMs_ = 0;     // when the last byte written so far is on the wire
  std::vector<uint8_t> frame_;  // the characters since the last STX
  bool inFrame_ = false;
  std::deque<PendingAnswer> answers_;
};

// The virtual milliseconds a DB download of `entries` entries takes on the
// line, until its last answer has been read; -1 when it did not complete.
double ModelDbDownloadMs(const LineSetup& setup, int entries);

}  // namespace brenvik::bench
