#include "tools/device/SimulatedDevice.h"

#include <cstdio>

#include "serial/FrameLink.h"

namespace brenvik::device {

SimulatedDevice::SimulatedDevice(DevicePolicy policy) : policy_(std::move(policy)) {}

std::optional<uint8_t> SimulatedDevice::AnswerFor(const ReceivedFrame& frame) {
  if (policy_.silent || !frame.terminated) return std::nullopt;
  if (frame.command == kDbFirstCommand && !policy_.answerFirstFrame) return std::nullopt;
  if (policy_.nakFrames.erase(frame.number) != 0) return kNak;
  if (!frame.valid && policy_.nakInvalidFrames) return kNak;
  if (policy_.answerByte) return *policy_.answerByte;
  return kAck;
}

void SimulatedDevice::Feed(const uint8_t* bytes, std::size_t n, std::vector<uint8_t>& answers,
                           std::vector<DeviceEvent>* events) {
  auto flushStray = [&] {
    std::vector<uint8_t> stray = decoder_.TakeStrayBytes();
    if (events != nullptr && !stray.empty()) {
      events->push_back({DeviceEvent::Kind::StrayBytes, {}, std::move(stray)});
    }
  };
  for (std::size_t i = 0; i < n; ++i) {
    std::optional<ReceivedFrame> frame = decoder_.Feed(bytes[i]);
    if (!frame) continue;
    // Bytes ignored before this frame are reported before it.
    flushStray();
    frame->number = static_cast<int>(frames_.size());
    if (const std::optional<uint8_t> answer = AnswerFor(*frame)) {
      frame->answer = *answer;
      frame->answered = true;
      answers.push_back(*answer);
    }
    // A refused frame is not kept: the sender sends it again.
    const bool refused = frame->answered && frame->answer == kNak;
    const ReceivedData::Outcome outcome =
        refused ? ReceivedData::Outcome::Nothing : received_.Take(*frame);
    frames_.push_back(*frame);
    if (events != nullptr) {
      events->push_back({DeviceEvent::Kind::Frame, *frame, {}});
      if (outcome == ReceivedData::Outcome::DbComplete) {
        events->push_back({DeviceEvent::Kind::DbComplete, {}, {}});
      } else if (outcome == ReceivedData::Outcome::MmiReceived) {
        events->push_back({DeviceEvent::Kind::MmiReceived, {}, {}});
      }
    }
  }
  flushStray();
}

std::string AnswerName(uint8_t answer) {
  if (answer == kAck) return "ACK";
  if (answer == kNak) return "NAK";
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", answer);
  return text;
}

std::string DescribeFrame(const ReceivedFrame& frame) {
  char head[96];
  if (frame.command == kDbFirstCommand) {
    std::snprintf(head, sizeof head, "frame %d: 0x80 count %u", frame.number,
                  unsigned{frame.indexOrCount});
  } else if (frame.command == kDbEntryCommand) {
    if (frame.indexOrCount == kLastEntryIndex) {
      std::snprintf(head, sizeof head, "frame %d: 0x82 index 0xFFFF (last)", frame.number);
    } else {
      std::snprintf(head, sizeof head, "frame %d: 0x82 index %u", frame.number,
                    unsigned{frame.indexOrCount});
    }
  } else if (frame.command == kMmiCommand) {
    std::snprintf(head, sizeof head, "frame %d: 0x8A MMI", frame.number);
  } else {
    std::snprintf(head, sizeof head, "frame %d: command 0x%02X", frame.number, frame.command);
  }
  std::string line = head;
  if (frame.valid) {
    line += ", checksum good";
  } else {
    line += ", bad: " + frame.problem;
  }
  line += frame.answered ? ", answered " + AnswerName(frame.answer) : ", no answer";
  return line;
}

}  // namespace brenvik::device
