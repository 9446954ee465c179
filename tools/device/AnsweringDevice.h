#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/device/DeviceFileWriter.h"
#include "tools/device/DevicePolicy.h"
#include "tools/device/FrameDecoder.h"
#include "tools/device/SimulatedDevice.h"

namespace brenvik::device {

// The line the device answers on: the master end of a pseudo-terminal, or a
// serial port.
class DeviceLine {
 public:
  virtual ~DeviceLine() = default;
  // Reads what has arrived, up to `size` bytes, waiting up to `timeoutMs` when
  // nothing has; 0 when nothing came.
  virtual std::size_t Read(uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
  // Writes one answer byte; false when it did not go out (the line's queue
  // full, the line gone).
  virtual bool Write(uint8_t byte) = 0;
};

// The simulated device answering on a line, on a thread of its own: it feeds
// what arrives to the device, sends each answer when its delay has passed
// (reading on meanwhile) and records what it received. PtyDevice is this on
// a pseudo-terminal; brenvik-device --device runs it on a serial port.
class AnsweringDevice {
 public:
  // Called on the answering thread for everything the device does, in order,
  // with no lock held: it may call the device's own getters and writers.
  using Observer = std::function<void(const DeviceEvent&)>;

  explicit AnsweringDevice(DevicePolicy policy = {});
  ~AnsweringDevice();  // stops answering
  AnsweringDevice(const AnsweringDevice&) = delete;
  AnsweringDevice& operator=(const AnsweringDevice&) = delete;

  // Set before StartAnswering.
  void SetObserver(Observer observer);
  // Starts answering on `line` on a thread named `threadName` (so top -H and
  // the benchmark can tell the device's CPU from the loader's). The line must
  // stay until Stop. Nothing when answering already.
  void StartAnswering(DeviceLine& line, const char* threadName);
  // Stops answering and joins the thread.
  void Stop();

  // What was received so far, in order.
  std::vector<ReceivedFrame> Frames() const;
  std::size_t FrameCount() const;
  // The answer to each frame, in the order of Frames(); a delayed one is
  // listed as soon as its frame has arrived.
  std::vector<Answer> Answers() const;
  // Answer bytes written to the line so far (a delayed answer counts once
  // it has gone out).
  std::size_t AnswerBytesSent() const;
  // Waits until at least `count` frames have arrived; false on time-out.
  bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
  // Bytes ignored outside frames so far.
  std::size_t StrayByteCount() const;
  // Whether a whole database / an MMI frame has been received.
  bool HasDb() const;
  bool HasMmi() const;
  // The last database and MMI block received, written as files that the
  // readers take (see DeviceFileWriter.h).
  Result<> WriteDb(const std::string& path) const;
  Result<> WriteMmi(const std::string& path) const;

 private:
  // implementation details are the device's own
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brenvik::device
