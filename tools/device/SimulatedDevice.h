#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/device/DevicePolicy.h"
#include "tools/device/FrameDecoder.h"
#include "tools/device/ReceivedData.h"

namespace brenvik::device {

// Something the device did with the bytes it was fed, in the order it happened.
struct DeviceEvent {
  enum class Kind { Frame, StrayBytes, DbComplete, MmiReceived };
  Kind kind = Kind::Frame;
  ReceivedFrame frame;              // Kind::Frame: the frame, its number and its answer
  std::vector<uint8_t> strayBytes;  // Kind::StrayBytes: bytes ignored outside frames
};

// The device without its line: decodes what it is fed, answers each frame by
// its policy and keeps what the downloads delivered. Not thread-safe: the one
// thread that owns the line feeds it.
class SimulatedDevice {
 public:
  explicit SimulatedDevice(DevicePolicy policy = {});

  // Feeds bytes from the line. Answers are appended to `answers` in the order
  // they are due, events to `events` (when given).
  void Feed(const uint8_t* bytes, std::size_t n, std::vector<uint8_t>& answers,
            std::vector<DeviceEvent>* events = nullptr);

  const std::vector<ReceivedFrame>& Frames() const { return frames_; }
  const ReceivedData& Received() const { return received_; }
  std::size_t StrayByteCount() const { return decoder_.StrayByteCount(); }
  bool InFrame() const { return decoder_.InFrame(); }

 private:
  // The answer to a frame ended by ETX, none for the first DB frame (its
  // sender does not wait for one) unless the policy says otherwise.
  std::optional<uint8_t> AnswerFor(const ReceivedFrame& frame);

  DevicePolicy policy_;
  FrameDecoder decoder_;
  ReceivedData received_;
  std::vector<ReceivedFrame> frames_;
};

// One line about a frame, as the device tool prints it, for example
// "frame 2: 0x82 index 0xFFFF, checksum good, answered ACK".
std::string DescribeFrame(const ReceivedFrame& frame);
// The name of an answer byte: "ACK", "NAK" or "0x41".
std::string AnswerName(uint8_t answer);

}  // namespace brenvik::device
