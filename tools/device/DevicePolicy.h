#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace brenvik::device {

// DB entry frames refused by what they carry rather than by when they come:
// the frame with `index` in its index field (0xFFFF for the last entry) is
// answered NAK the first `times` times it arrives, however often the loader
// steps back and sends it again.
struct IndexNak {
  uint16_t index = 0;
  int times = 0;
};

// How the simulated device answers the frames it receives. Frames are
// numbered from 0 in the order they arrive.
struct DevicePolicy {
  std::set<int> nakFrames;            // answer NAK to these frames, once each
  bool silent = false;                // never answer
  std::optional<uint8_t> answerByte;  // answer this byte instead of ACK
  bool answerFirstFrame = false;      // the first DB frame (0x80) gets an answer too
  bool nakInvalidFrames = true;       // a frame that fails its checks is answered NAK

  // A device that breaks the rules, for trying the loader against it.
  //
  // Frame number -> the bytes answered to that frame instead of what the
  // rules above give: garbage, two answers, an answer to the first DB frame,
  // or none at all when empty. Only silence overrides it.
  std::map<int, std::vector<uint8_t>> answerScript;
  // Every answer goes out this long after its frame has arrived.
  std::chrono::milliseconds answerDelay{0};
  // Frame number -> the delay of that frame's answer alone, instead of answerDelay.
  std::map<int, std::chrono::milliseconds> frameDelays;
  // Frames numbered above this one get no answer: the device falls silent
  // in the middle of a download.
  std::optional<int> silentAfterFrame;
  // Entries the device refuses a number of times, whatever the frame number.
  std::vector<IndexNak> indexNaks;
};

}  // namespace brenvik::device
