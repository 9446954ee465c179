// Windows: the serial port on a comm handle.
//
// Reads return at once, and a write the driver cannot take ends by its
// time-out, so a Close from the window waits for the port's lock at most that
// long. A WriteFile blocked on a comm handle is not ended by closing the
// handle everywhere (wine), so the time-out is what bounds it, not the Close;
// a Drain sees the Close coming and stops at once.

#include "serial/SerialPort.h"

#include <windows.h>

#include <chrono>
#include <thread>

#include "serial/OpenFailure.h"

namespace brenvik {
namespace {

using Clock = std::chrono::steady_clock;

// A Write gives up after this constant plus this much per byte (a character
// takes about a millisecond at 9600 baud): a frame link pair after about a
// second, like the Linux port's Write.
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kWriteMsPerByte = 2;
// A Drain whose bytes never leave gives up after this long, as on Linux.
constexpr auto kDrainLimit = std::chrono::seconds(1);
constexpr auto kDrainPoll = std::chrono::milliseconds(2);

// What PrepareLine answers when the port took the calls but not the settings;
// the system's error codes never reach it.
constexpr DWORD kLineRefused = ~DWORD{0};

constexpr const char* kGoneHint = " (the adapter was unplugged or the device powered off)";

// Gives the comm device the line settings and time-outs. Returns 0 when all
// took, the error of a GetCommState that failed (the handle is no comm
// device), or kLineRefused.
DWORD PrepareLine(HANDLE port) {
  DCB line{};
  line.DCBlength = sizeof line;
  if (::GetCommState(port, &line) == 0) return ::GetLastError();
  line.BaudRate = CBR_9600;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fDtrControl = DTR_CONTROL_DISABLE;
  line.fRtsControl = RTS_CONTROL_DISABLE;
  // Raw, as on Linux: every byte crosses unchanged (0x11 and 0x13 are no
  // flow control), no modem line holds the output back, and a line error
  // does not stop all I/O until someone clears it.
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDsrSensitivity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
  line.fAbortOnError = FALSE;
  if (::SetCommState(port, &line) == 0) return kLineRefused;

  // SetCommState may take what the driver cannot do; the line settings are
  // read back. DTR and RTS are not: a port without modem lines (a
  // pseudo-terminal under wine) reports them on whatever was asked.
  DCB applied{};
  applied.DCBlength = sizeof applied;
  if (::GetCommState(port, &applied) == 0 || applied.BaudRate != CBR_9600 ||
      applied.ByteSize != 8 || applied.Parity != NOPARITY || applied.StopBits != ONESTOPBIT) {
    return kLineRefused;
  }

  // Reads return at once with what is queued, also when nothing is.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
  timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
  return ::SetCommTimeouts(port, &timeouts) != 0 ? 0 : kLineRefused;
}

// Errors that end one call without saying anything of the device.
bool IsPassingError(DWORD error) {
  return error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT ||
         error == ERROR_COUNTER_TIMEOUT;
}

}  // namespace

struct SerialPort::Handles {
  HANDLE device = INVALID_HANDLE_VALUE;  // the open comm handle; invalid when closed
  // Set by Close before it waits for the lock, so a Drain holding it stops.
  std::atomic<bool> closing{false};
};

SerialPort::SerialPort() : handles_(std::make_unique<Handles>()) {}

SerialPort::~SerialPort() { Close(); }

Result<> SerialPort::OpenDevice(const std::string& devicePath) {
  if (devicePath.empty()) return Error{"no port given"};
  std::lock_guard lock(lock_);
  HANDLE& device = handles_->device;
  // Opening over an open port would leak its handle; the window opens only a
  // closed port.
  if (device != INVALID_HANDLE_VALUE) {
    return Error{DisplayPortName(devicePath) + ": a port is open already; disconnect it first"};
  }

  // No sharing: a port another program holds fails here, and no other
  // program gets this one while it is open.
  HANDLE opened = ::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    return Error{OpenFailureCause(devicePath, static_cast<int>(::GetLastError()))};
  }
  SetLineFields();
  const DWORD fault = PrepareLine(opened);
  if (fault != 0) {
    ::CloseHandle(opened);
    if (fault == kLineRefused) return Error{SettingsRefusedCause(DisplayPortName(devicePath))};
    return Error{OpenFailureCause(devicePath, static_cast<int>(fault))};
  }
  device = opened;
  MarkOpened(devicePath);
  return {};
}

void SerialPort::Close() {
  handles_->closing = true;
  std::lock_guard lock(lock_);
  HANDLE& device = handles_->device;
  if (device != INVALID_HANDLE_VALUE) {
    // Bytes still queued belong to a download being abandoned.
    (void)::PurgeComm(device, PURGE_TXABORT | PURGE_TXCLEAR);
    ::CloseHandle(device);
    device = INVALID_HANDLE_VALUE;
  }
  open_ = false;
  handles_->closing = false;
}

bool SerialPort::CheckWentAway() {
  std::unique_lock lock(lock_, std::try_to_lock);
  if (lock.owns_lock() && handles_->device != INVALID_HANDLE_VALUE && !wentAway_) NoteIfGone(0);
  return wentAway_;
}

bool SerialPort::NoteIfGone(int error) {
  auto code = static_cast<DWORD>(error);
  if (code == 0) {
    // A driver whose device has gone fails every request on the handle.
    DWORD lineErrors = 0;
    COMSTAT status{};
    if (::ClearCommError(handles_->device, &lineErrors, &status) != 0) return false;
    code = ::GetLastError();
  }
  if (IsPassingError(code)) return false;
  NoteGone(DisplayPortName(devicePath_) + " failed: " + SystemMessage(static_cast<int>(code)) +
           kGoneHint);
  return true;
}

int SerialPort::Write(const void* bytes, int n) {
  std::lock_guard lock(lock_);
  HANDLE device = handles_->device;
  if (device == INVALID_HANDLE_VALUE || wentAway_ || bytes == nullptr || n <= 0) return 0;
  DWORD written = 0;
  if (::WriteFile(device, bytes, static_cast<DWORD>(n), &written, nullptr) == 0) {
    NoteIfGone(static_cast<int>(::GetLastError()));
  }
  return static_cast<int>(written);
}

int SerialPort::Read(void* buffer, int n) {
  std::lock_guard lock(lock_);
  HANDLE device = handles_->device;
  if (device == INVALID_HANDLE_VALUE || wentAway_ || buffer == nullptr || n <= 0) return 0;
  DWORD got = 0;
  if (::ReadFile(device, buffer, static_cast<DWORD>(n), &got, nullptr) == 0) {
    NoteIfGone(static_cast<int>(::GetLastError()));
    return 0;
  }
  return static_cast<int>(got);
}

void SerialPort::Drain() {
  std::lock_guard lock(lock_);
  HANDLE device = handles_->device;
  if (device == INVALID_HANDLE_VALUE || wentAway_) return;
  // The driver's output queue is watched until it is empty rather than
  // FlushFileBuffers called: that has no time-out, and wine's drops the
  // bytes not yet sent instead of waiting for them.
  const auto deadline = Clock::now() + kDrainLimit;
  for (;;) {
    DWORD lineErrors = 0;
    COMSTAT status{};
    if (::ClearCommError(device, &lineErrors, &status) == 0) {
      NoteIfGone(static_cast<int>(::GetLastError()));
      return;
    }
    if (status.cbOutQue == 0 || Clock::now() >= deadline || handles_->closing) return;
    std::this_thread::sleep_for(kDrainPoll);
  }
}

void SerialPort::DiscardInput() {
  std::lock_guard lock(lock_);
  HANDLE device = handles_->device;
  if (device != INVALID_HANDLE_VALUE && !wentAway_) (void)::PurgeComm(device, PURGE_RXCLEAR);
}

}  // namespace brenvik
