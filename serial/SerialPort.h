#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/Result.h"
#include "serial/DevicePort.h"
#include "serial/PortName.h"

namespace brenvik {

// The one serial port: 9600 baud, 8 data bits, no parity, one stop bit, raw,
// no flow control, DTR and RTS off, reads that never block, exclusive use.
// A descriptor and termios on Linux (SerialPortPosix.cpp), a handle and the
// comm API on Windows (SerialPortWin32.cpp).
//
// Open and Close run on the UI thread while a download worker writes and
// reads: every operation takes the port's lock, so a Close can never let a
// worker touch a descriptor that has meanwhile been reused by another open.
// After Close, Write and Read return 0 without touching any descriptor.
//
// A device that goes away while open (a USB adapter pulled, the other end of a
// pseudo-terminal closed) is noticed by the Write, Read or Drain that meets
// it, or by CheckWentAway; from then on the port acts as closed for I/O until
// Close, and WentAway and WentAwayReason tell what happened.
class SerialPort final : public DevicePort {
 public:
  SerialPort();
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens COM n: /dev/ttyS<n-1> on Linux, \\.\COMn on Windows. Returns 1
  // when opened, 0 otherwise (port 0, a missing device, a device in use).
  // Call only while closed.
  int Open(uint32_t portNumber);
  // Opens a device by path (/dev/ttyUSB0, a pseudo-terminal, \\.\COM5).
  // Returns 1 or 0.
  int OpenPath(const char* devicePath);
  // Opens a device by path. A failure names the cause as one line a person
  // can act on (OpenFailure.h): no such device, permission denied with the
  // fix, in use by another program, not a serial device, line settings
  // refused, the system's own words otherwise, or "no port given" for an
  // empty path.
  Result<> OpenDevice(const std::string& devicePath);
  // Opens what ParsePortName read (PortPath); port 0 fails with "<text> is
  // not a port; ..." ("no port given" for an empty text).
  Result<> OpenPort(const PortName& name);
  // Closes the port if it is open; harmless on a closed port.
  void Close();
  bool IsOpen() const;

  // Whether the device went away while open. Set from the I/O and from
  // CheckWentAway, kept through Close, cleared by the next open. Never waits.
  bool WentAway() const;
  // Why it went away, one line: "/dev/ttyUSB0 hung up (the adapter was
  // unplugged or the device powered off)"; empty while it has not.
  std::string WentAwayReason() const;
  // Looks at an idle open port, without waiting, for a hang-up or an error on
  // its line; returns WentAway() after the look. While a Write or Read holds
  // the port it does not look, as that I/O notices it itself.
  bool CheckWentAway();

  // Writes all n bytes, waiting up to one second for room; returns the count
  // written (0 when closed or on failure, fewer than n on a time-out).
  int Write(const void* bytes, int n) override;
  // Returns at once with what is queued, up to n bytes; 0 when none or closed.
  int Read(void* buffer, int n) override;
  // Waits until written bytes have left the port, giving up after about a
  // second when they do not; at once when closed.
  void Drain() override;
  // Drops received bytes not yet read; nothing when closed.
  void DiscardInput() override;

  // The device COM n maps to ("/dev/ttyS2" or "\\.\COM3" for 3); empty for 0.
  static std::string DevicePathFor(uint32_t portNumber);

  // Line settings of the last successful open, in the fields' fixed order.
  int32_t dtrControl() const { return dtrControl_; }
  int32_t rtsControl() const { return rtsControl_; }
  int32_t baudRate() const { return baudRate_; }
  int32_t parity() const { return parity_; }
  int32_t byteSize() const { return byteSize_; }
  int32_t stopBits() const { return stopBits_; }

 private:
  // The system's handles of the open device, and what wakes a Write waiting
  // on it; each platform's file defines them.
  struct Handles;

  // Records that the device went away when the system's state of it or
  // `error` (the system's error code of the failed call, 0 for none) tells
  // so; true when it did. Called with lock_ held.
  bool NoteIfGone(int error);
  // Records the first reason the device went away; later ones are dropped.
  void NoteGone(const std::string& reason);
  // Sets the six line-setting fields to what every open applies.
  void SetLineFields();
  // Makes the device just opened from devicePath the port's. With lock_ held.
  void MarkOpened(const std::string& devicePath);

  mutable std::mutex lock_;           // guards handles_' contents and devicePath_
  std::unique_ptr<Handles> handles_;  // made by the constructor, never replaced
  std::string devicePath_;            // what the device was opened from, for the went-away reason
  // Mirrors the open handle for IsOpen, so the window never waits behind a Write.
  std::atomic<bool> open_{false};
  // Set once by NoteGone; I/O checks it under lock_, the window without any.
  std::atomic<bool> wentAway_{false};
  mutable std::mutex reasonLock_;  // guards wentAwayReason_
  std::string wentAwayReason_;
  int32_t dtrControl_ = 0;
  int32_t rtsControl_ = 0;
  int32_t baudRate_ = 0;
  int32_t parity_ = 0;
  int32_t byteSize_ = 0;
  int32_t stopBits_ = 0;
};

}  // namespace brenvik
