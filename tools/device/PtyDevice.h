#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace brenvik::device {

// How the simulated device answers the frames it receives. Frames are
// numbered from 0 in the order they arrive.
struct DevicePolicy {
  std::set<int> nakFrames;             // answer NAK to these frames, once each
  bool silent = false;                 // never answer
  std::optional<uint8_t> answerByte;   // answer this byte instead of ACK
  bool answerFirstFrame = false;       // the first DB frame (0x80) gets an answer too
};

// One frame as the device decoded it.
struct ReceivedFrame {
  bool valid = false;          // hex digits only, LEN, 0xFF, command, checksum, length all good
  std::string problem;         // why it is not valid
  uint8_t command = 0;         // 0x80, 0x82 or 0x8A
  uint16_t indexOrCount = 0;   // DB frames: body offsets 3 and 4, little-endian
  std::vector<uint8_t> body;   // decoded body bytes, LEN and checksum included
  uint8_t answer = 0;          // the byte answered, 0 when none
};

// The simulated device on a pseudo-terminal: opens a pty, answers frames on a
// thread of its own by the policy, and records what it received.
class PtyDevice {
 public:
  explicit PtyDevice(DevicePolicy policy = {});
  ~PtyDevice();  // stops the thread and closes the pty
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // Opens the pty and starts answering; false when no pty could be opened.
  bool Start();
  // The end the loader opens (/dev/pts/N).
  std::string Path() const;
  // What was received so far, in order.
  std::vector<ReceivedFrame> Frames() const;
  std::size_t FrameCount() const;
  void Stop();

 private:
  // implementation details are the device's own
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brenvik::device
