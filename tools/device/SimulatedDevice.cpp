#include "tools/device/SimulatedDevice.h"

#include <cstdio>
#include <string>
#include <utility>

#include "serial/WireProtocol.h"

namespace brenvik::device {

SimulatedDevice::SimulatedDevice(DevicePolicy policy) : policy_(std::move(policy)) {}

std::vector<uint8_t> SimulatedDevice::AnswerBytesFor(const ReceivedFrame& frame) {
  if (policy_.silent || !frame.terminated) return {};
  if (policy_.silentAfterFrame && frame.number > *policy_.silentAfterFrame) return {};
  if (const auto scripted = policy_.answerScript.find(frame.number);
      scripted != policy_.answerScript.end()) {
    return scripted->second;
  }
  if (frame.command == kDbFirstCommand && !policy_.answerFirstFrame) return {};
  if (policy_.nakFrames.erase(frame.number) != 0) return {kNak};
  if (RefusedByIndex(frame)) return {kNak};
  if (!frame.valid && policy_.nakInvalidFrames) return {kNak};
  if (policy_.answerByte) return {*policy_.answerByte};
  return {kAck};
}

bool SimulatedDevice::RefusedByIndex(const ReceivedFrame& frame) {
  // An index read from a damaged frame means nothing; such a frame is left
  // to the rule for invalid frames.
  if (frame.command != kDbEntryCommand || !frame.valid) return false;
  for (IndexNak& refusal : policy_.indexNaks) {
    if (refusal.index == frame.indexOrCount && refusal.times > 0) {
      --refusal.times;
      return true;
    }
  }
  return false;
}

std::chrono::milliseconds SimulatedDevice::DelayFor(int frameNumber) const {
  const auto own = policy_.frameDelays.find(frameNumber);
  return own != policy_.frameDelays.end() ? own->second : policy_.answerDelay;
}

void SimulatedDevice::Feed(const uint8_t* bytes, std::size_t n, std::vector<Answer>& answers,
                           std::vector<DeviceEvent>* events) {
  auto flushStray = [&] {
    std::vector<uint8_t> stray = decoder_.TakeStrayBytes();
    if (events != nullptr && !stray.empty()) {
      events->push_back({DeviceEvent::Kind::StrayBytes, {}, std::move(stray), {}});
    }
  };
  for (std::size_t i = 0; i < n; ++i) {
    std::optional<ReceivedFrame> frame = decoder_.Feed(bytes[i]);
    if (!frame) continue;
    // Bytes ignored before this frame are reported before it.
    flushStray();
    frame->number = static_cast<int>(frames_.size());
    Answer answer{AnswerBytesFor(*frame), std::chrono::milliseconds(0)};
    if (!answer.bytes.empty()) {
      answer.delay = DelayFor(frame->number);
      frame->answer = answer.bytes.front();
      frame->answered = true;
      answers.push_back(answer);
    }
    // A refused frame is not kept: the sender sends it again.
    const bool refused = frame->answered && frame->answer == kNak;
    const ReceivedData::Outcome outcome =
        refused ? ReceivedData::Outcome::Nothing : received_.Take(*frame);
    frames_.push_back(*frame);
    answers_.push_back(answer);
    if (events != nullptr) {
      events->push_back({DeviceEvent::Kind::Frame, *frame, {}, answer});
      if (outcome == ReceivedData::Outcome::DbComplete) {
        events->push_back({DeviceEvent::Kind::DbComplete, {}, {}, {}});
      } else if (outcome == ReceivedData::Outcome::MmiReceived) {
        events->push_back({DeviceEvent::Kind::MmiReceived, {}, {}, {}});
      }
    }
  }
  flushStray();
}

void SimulatedDevice::Feed(const uint8_t* bytes, std::size_t n, std::vector<uint8_t>& answers,
                           std::vector<DeviceEvent>* events) {
  std::vector<Answer> timed;
  Feed(bytes, n, timed, events);
  for (const Answer& answer : timed) {
    answers.insert(answers.end(), answer.bytes.begin(), answer.bytes.end());
  }
}

void AnswerQueue::Add(const Answer& answer, Clock::time_point arrived) {
  if (!answer.bytes.empty()) pending_.emplace(arrived + answer.delay, answer.bytes);
}

std::vector<uint8_t> AnswerQueue::TakeDue(Clock::time_point now) {
  std::vector<uint8_t> due;
  while (!pending_.empty() && pending_.begin()->first <= now) {
    const std::vector<uint8_t>& bytes = pending_.begin()->second;
    due.insert(due.end(), bytes.begin(), bytes.end());
    pending_.erase(pending_.begin());
  }
  return due;
}

std::optional<AnswerQueue::Clock::time_point> AnswerQueue::NextDue() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.begin()->first;
}

std::string AnswerName(uint8_t answer) {
  if (answer == kAck) return "ACK";
  if (answer == kNak) return "NAK";
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", answer);
  return text;
}

std::string DescribeFrame(const ReceivedFrame& frame) {
  Answer answer;
  if (frame.answered) answer.bytes.push_back(frame.answer);
  return DescribeFrame(frame, answer);
}

std::string DescribeFrame(const ReceivedFrame& frame, const Answer& answer) {
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
  if (answer.bytes.empty()) {
    line += ", no answer";
    return line;
  }
  line += ", answered";
  for (uint8_t byte : answer.bytes) {
    line += ' ';
    line += AnswerName(byte);
  }
  if (answer.delay.count() > 0) {
    line += " after ";
    line += std::to_string(answer.delay.count());
    line += " ms";
  }
  return line;
}

}  // namespace brenvik::device
