#pragma once

#include <cstdint>
#include <optional>
#include <set>

namespace brenvik::device {

// How the simulated device answers the frames it receives. Frames are
// numbered from 0 in the order they arrive.
struct DevicePolicy {
  std::set<int> nakFrames;            // answer NAK to these frames, once each
  bool silent = false;                // never answer
  std::optional<uint8_t> answerByte;  // answer this byte instead of ACK
  bool answerFirstFrame = false;      // the first DB frame (0x80) gets an answer too
  bool nakInvalidFrames = true;       // a frame that fails its checks is answered NAK
};

}  // namespace brenvik::device
