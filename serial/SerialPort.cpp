// What the serial port does the same way on every platform: the port names,
// the line-setting fields and the record of a device that went away. The
// system calls are in SerialPortPosix.cpp and SerialPortWin32.cpp.

#include "serial/SerialPort.h"

namespace brenvik {
namespace {

constexpr int32_t kBaudRate = 9600;
constexpr int32_t kNoParity = 0;
constexpr int32_t kByteSize = 8;
constexpr int32_t kOneStopBit = 0;
constexpr int32_t kLineDisabled = 0;

}  // namespace

std::string SerialPort::DevicePathFor(uint32_t portNumber) {
  return PortPath(PortName{portNumber, {}, {}});
}

int SerialPort::Open(uint32_t portNumber) {
  return OpenPort(PortName{portNumber, {}, "COM" + std::to_string(portNumber)}) ? 1 : 0;
}

int SerialPort::OpenPath(const char* devicePath) {
  return OpenDevice(devicePath != nullptr ? devicePath : "") ? 1 : 0;
}

Result<> SerialPort::OpenPort(const PortName& name) {
  const std::string path = PortPath(name);
  if (!path.empty()) return OpenDevice(path);
  if (name.text.empty()) return Error{"no port given"};
  return Error{name.text + " is not a port; " + kPortNameAdvice};
}

bool SerialPort::IsOpen() const { return open_; }

bool SerialPort::WentAway() const { return wentAway_; }

std::string SerialPort::WentAwayReason() const {
  std::lock_guard guard(reasonLock_);
  return wentAwayReason_;
}

void SerialPort::NoteGone(const std::string& reason) {
  std::lock_guard guard(reasonLock_);
  if (!wentAway_) {
    wentAwayReason_ = reason;
    wentAway_ = true;
  }
}

void SerialPort::SetLineFields() {
  dtrControl_ = kLineDisabled;
  rtsControl_ = kLineDisabled;
  baudRate_ = kBaudRate;
  parity_ = kNoParity;
  byteSize_ = kByteSize;
  stopBits_ = kOneStopBit;
}

void SerialPort::MarkOpened(const std::string& devicePath) {
  devicePath_ = devicePath;
  {
    std::lock_guard reason(reasonLock_);
    wentAwayReason_.clear();
    wentAway_ = false;
  }
  open_ = true;
}

}  // namespace brenvik
