#pragma once

#include <memory>
#include <string>

#include "base/Result.h"
#include "tools/device/AnsweringDevice.h"
#include "tools/device/DevicePolicy.h"
#include "tools/device/PacedLine.h"

namespace brenvik::device {

// The simulated device on a pseudo-terminal: opens a pty and answers frames
// on it by the policy; AnsweringDevice has what it received and how it
// answered.
//
// The device keeps a descriptor of the terminal end open as well, so the pty
// lives on when a loader closes its end and the next one can connect; that
// descriptor takes no lock, so a loader's exclusive open still succeeds.
// With a pace, the pty carries bytes as a real line and adapter would.
class PtyDevice final : public AnsweringDevice {
 public:
  explicit PtyDevice(DevicePolicy policy = {}, LinePace pace = {});
  ~PtyDevice();  // stops answering, then closes the pty
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // Opens the pty (its terminal end raw, 9600 8N1) and starts answering; on
  // failure says why: no pty could be opened, or "already started".
  Result<> Start();
  // The end the loader opens (/dev/pts/N).
  std::string Path() const;

 private:
  // the pty's descriptors and the line over them
  struct Pty;
  std::unique_ptr<Pty> pty_;
};

}  // namespace brenvik::device
