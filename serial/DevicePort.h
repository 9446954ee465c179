#pragma once

namespace brenvik {

// The byte channel to the device as the frame link sees it. SerialPort is the
// real one; tests put a scripted device behind it.
class DevicePort {
 public:
  virtual ~DevicePort() = default;

  // Writes n bytes; returns the count written, 0 when closed or on failure.
  virtual int Write(const void* bytes, int n) = 0;
  // Reads at most n bytes that are already queued; returns at once with the
  // count read, 0 when nothing is queued, when closed or on failure.
  virtual int Read(void* buffer, int n) = 0;
  // Returns once the bytes written so far have left; at once when closed.
  virtual void Drain() = 0;
  // Drops whatever the device sent that has not been read yet.
  virtual void DiscardInput() = 0;
};

}  // namespace brenvik
