#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/device/DevicePolicy.h"
#include "tools/device/FrameDecoder.h"
#include "tools/device/ReceivedData.h"

namespace brenvik::device {

// What the device sends back for one frame: the bytes (none when empty) and
// how long after the frame they go out.
struct Answer {
  std::vector<uint8_t> bytes;
  std::chrono::milliseconds delay{0};
};

// Something the device did with the bytes it was fed, in the order it happened.
struct DeviceEvent {
  enum class Kind { Frame, StrayBytes, DbComplete, MmiReceived };
  Kind kind = Kind::Frame;
  ReceivedFrame frame;              // Kind::Frame: the frame, its number and its answer
  std::vector<uint8_t> strayBytes;  // Kind::StrayBytes: bytes ignored outside frames
  Answer answer;                    // Kind::Frame: every byte answered, and when
};

// The device without its line: decodes what it is fed, answers each frame by
// its policy and keeps what the downloads delivered. Not thread-safe: the one
// thread that owns the line feeds it.
class SimulatedDevice {
 public:
  explicit SimulatedDevice(DevicePolicy policy = {});

  // Feeds bytes from the line. The answers to the frames these bytes ended
  // are appended to `answers`, one per answered frame in frame order, each
  // with its delay; events to `events` (when given).
  void Feed(const uint8_t* bytes, std::size_t n, std::vector<Answer>& answers,
            std::vector<DeviceEvent>* events = nullptr);
  // The same with the answers' bytes run together in frame order and their
  // delays left out, for a caller that has no clock.
  void Feed(const uint8_t* bytes, std::size_t n, std::vector<uint8_t>& answers,
            std::vector<DeviceEvent>* events = nullptr);

  const std::vector<ReceivedFrame>& Frames() const { return frames_; }
  // The answer to each frame, in the order of Frames().
  const std::vector<Answer>& Answers() const { return answers_; }
  const ReceivedData& Received() const { return received_; }
  std::size_t StrayByteCount() const { return decoder_.StrayByteCount(); }
  bool InFrame() const { return decoder_.InFrame(); }

 private:
  // The bytes answered to a frame ended by ETX: none for the first DB frame
  // (its sender does not wait for one) unless the policy says otherwise.
  std::vector<uint8_t> AnswerBytesFor(const ReceivedFrame& frame);
  // Whether an entry frame is one the policy refuses by its index; counts it.
  bool RefusedByIndex(const ReceivedFrame& frame);
  std::chrono::milliseconds DelayFor(int frameNumber) const;

  DevicePolicy policy_;
  FrameDecoder decoder_;
  ReceivedData received_;
  std::vector<ReceivedFrame> frames_;
  std::vector<Answer> answers_;
};

// Answers on their way back to the line: each goes out once its delay has
// passed, in the order they fall due (answers due together in the order they
// were added), so a late answer lets a later frame's prompt answer overtake it.
class AnswerQueue {
 public:
  using Clock = std::chrono::steady_clock;

  // Queues an answer to a frame that arrived at `arrived`.
  void Add(const Answer& answer, Clock::time_point arrived);
  // Removes and returns the bytes due by `now`, in the order they go out.
  std::vector<uint8_t> TakeDue(Clock::time_point now);
  // When the next answer falls due; none when nothing is queued.
  std::optional<Clock::time_point> NextDue() const;
  bool Empty() const { return pending_.empty(); }

 private:
  std::multimap<Clock::time_point, std::vector<uint8_t>> pending_;
};

// One line about a frame, as the device tool prints it, for example
// "frame 2: 0x82 index 0xFFFF, checksum good, answered ACK".
std::string DescribeFrame(const ReceivedFrame& frame);
// The same with every byte of the answer and its delay, for example
// "frame 1: 0x82 index 1, checksum good, answered 0x41 0x7F 0xFF" or
// "..., answered ACK after 1200 ms".
std::string DescribeFrame(const ReceivedFrame& frame, const Answer& answer);
// The name of an answer byte: "ACK", "NAK" or "0x41".
std::string AnswerName(uint8_t answer);

}  // namespace brenvik::device
