#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/device/DeviceFileWriter.h"
#include "tools/device/DevicePolicy.h"
#include "tools/device/FrameDecoder.h"
#include "tools/device/SimulatedDevice.h"

namespace brenvik::device {

// DevicePolicy (how the device answers) and ReceivedFrame (one frame as the
// device decoded it) come from DevicePolicy.h and FrameDecoder.h.

// The simulated device on a pseudo-terminal: opens a pty, answers frames on a
// thread of its own by the policy (a delayed answer goes out when it falls
// due, while the device goes on reading), and records what it received.
//
// The device keeps a descriptor of the terminal end open as well, so the pty
// lives on when a loader closes its end and the next one can connect; that
// descriptor takes no lock, so a loader's exclusive open still succeeds.
class PtyDevice {
 public:
  // Called on the device's thread for everything it does, in order, with no
  // lock held: it may call the device's own getters and writers.
  using Observer = std::function<void(const DeviceEvent&)>;

  explicit PtyDevice(DevicePolicy policy = {});
  ~PtyDevice();  // stops the thread and closes the pty
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // Set before Start.
  void SetObserver(Observer observer);

  // Opens the pty (its terminal end raw, 9600 8N1) and starts answering; false
  // when no pty could be opened (Error() tells why) or when already started.
  bool Start();
  // The end the loader opens (/dev/pts/N).
  std::string Path() const;
  // What was received so far, in order.
  std::vector<ReceivedFrame> Frames() const;
  std::size_t FrameCount() const;
  // The answer to each frame, in the order of Frames(); a delayed one is
  // listed as soon as its frame has arrived.
  std::vector<Answer> Answers() const;
  // Answer bytes written to the line so far (a delayed answer counts once
  // it has gone out).
  std::size_t AnswerBytesSent() const;
  // Stops answering and joins the thread; the pty stays open until destruction.
  void Stop();

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
  // Why Start failed.
  std::string Error() const;

 private:
  // implementation details are the device's own
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brenvik::device
