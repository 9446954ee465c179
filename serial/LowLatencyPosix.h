#pragma once

// POSIX only: a USB serial adapter's low-latency mode. An FTDI adapter holds
// what it receives up to its latency timer (16 ms by default) before passing
// it on; ASYNC_LOW_LATENCY makes its driver set the timer to 1 ms, so the
// device's answer is there for the poll that follows the frame.

struct serial_struct;

namespace brenvik {

// The driver's serial settings behind TIOCGSERIAL and TIOCSSERIAL; tests put
// a driver of their own behind it.
class SerialFlagsDriver {
 public:
  virtual ~SerialFlagsDriver() = default;
  // Each returns 0, or the errno the driver refused with.
  virtual int Get(int fd, serial_struct& settings) = 0;
  virtual int Set(int fd, const serial_struct& settings) = 0;
};

// The system's driver, through ioctl.
SerialFlagsDriver& SystemSerialFlags();

// Turns on low latency on `fd`; true when this call turned it on, so that
// RestoreLatency must turn it off again. A driver that has no serial
// settings (a pseudo-terminal answers ENOTTY) or refuses them leaves the
// port as it is: that is no error, only a slower answer.
bool RequestLowLatency(int fd, SerialFlagsDriver& driver = SystemSerialFlags());
// Turns low latency off again, as it was before RequestLowLatency.
void RestoreLatency(int fd, SerialFlagsDriver& driver = SystemSerialFlags());

}  // namespace brenvik
