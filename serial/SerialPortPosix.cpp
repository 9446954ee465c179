// POSIX: the serial port on a descriptor and termios.

#include "serial/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

#include "base/FileDescriptor.h"
#include "serial/LineSettingsPosix.h"
#include "serial/LowLatencyPosix.h"
#include "serial/OpenFailure.h"

namespace brenvik {
namespace {

using Clock = std::chrono::steady_clock;

// A Write that finds no room gives up after this long in all; the frame link
// then sees a short count.
constexpr auto kWriteTimeout = std::chrono::seconds(1);
// A Drain whose bytes never leave (a stalled adapter) gives up after this long
// rather than hold the worker and the port's lock.
constexpr auto kDrainLimit = std::chrono::seconds(1);
// One character takes about a millisecond at 9600 baud.
constexpr int kDrainPollMs = 2;

// Takes the device for this program and gives it the line settings. Returns 0
// when all took, else the errno of the step that failed or kLineSettingsRefused.
int PrepareLine(int fd) {
  // A second open of the device by this or another loader fails on the lock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
  if (const int fault = ApplyLineSettings(fd); fault != 0) return fault;

  // The driver raises DTR and RTS when the device opens; the device must not
  // see them asserted. A pseudo-terminal has no modem lines and refuses this.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)::ioctl(fd, TIOCMBIC, &lines);

  // The exclusive flag also turns away programs that do not take the lock
  // (root excepted). It is set last because it outlives the descriptor on a
  // pseudo-terminal, and an open that fails must leave the device as it was.
  return ::ioctl(fd, TIOCEXCL) == 0 ? 0 : errno;
}

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

constexpr const char* kGoneHint = " (the adapter was unplugged or the device powered off)";

// Errors a descriptor gives once its device has vanished under it.
bool IsGoneError(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

// Waits up to timeoutMs for Close to signal; true when it did.
bool CloseSignalled(int wakeFd, int timeoutMs) {
  pollfd wake{wakeFd, POLLIN, 0};
  return ::poll(&wake, 1, timeoutMs) > 0 && (wake.revents & POLLIN) != 0;
}

}  // namespace

struct SerialPort::Handles {
  FileDescriptor device;         // the open descriptor; none when closed
  bool lowLatencyAdded = false;  // this open turned the driver's low latency on
  // eventfd that ends a Write or Drain waiting for the device when Close comes.
  FileDescriptor wake{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

SerialPort::SerialPort() : handles_(std::make_unique<Handles>()) {}

SerialPort::~SerialPort() { Close(); }

Result<> SerialPort::OpenDevice(const std::string& devicePath) {
  if (devicePath.empty()) return Error{"no port given"};
  std::lock_guard lock(lock_);
  // Opening over an open port would leak its descriptor; the window opens
  // only a closed port.
  FileDescriptor& device = handles_->device;
  if (device.IsOpen()) return Error{devicePath + ": a port is open already; disconnect it first"};

  int fault = 0;
  {
    // Non-blocking, so neither a missing carrier nor a device that stops
    // reading can hold the open or a Write.
    FileDescriptor fd(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.IsOpen()) {
      fault = errno;
    } else {
      SetLineFields();
      fault = PrepareLine(fd.Get());
    }
    if (fault == 0) {
      handles_->lowLatencyAdded = RequestLowLatency(fd.Get());
      device = std::move(fd);
      MarkOpened(devicePath);
      return {};
    }
  }
  // The attempt's descriptor is closed by now, so the cause cannot name this
  // process as the program holding the device.
  if (fault == kLineSettingsRefused) return Error{SettingsRefusedCause(devicePath)};
  return Error{OpenFailureCause(devicePath, fault)};
}

void SerialPort::Close() {
  const FileDescriptor& wake = handles_->wake;
  // A Write or Drain waiting for the device holds the lock; wake it first.
  if (wake.IsOpen()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t signalled = ::write(wake.Get(), &one, sizeof one);
  }
  std::lock_guard lock(lock_);
  FileDescriptor& device = handles_->device;
  if (device.IsOpen()) {
    // Bytes still queued belong to a download being abandoned; dropping them
    // keeps close from waiting for a line that does not drain.
    (void)::tcflush(device.Get(), TCOFLUSH);
    // The exclusive flag outlives this descriptor on a pseudo-terminal.
    (void)::ioctl(device.Get(), TIOCNXCL);
    // The setting outlives the descriptor: the next program finds it as it was.
    if (handles_->lowLatencyAdded) RestoreLatency(device.Get());
    handles_->lowLatencyAdded = false;
    device.Reset();
  }
  open_ = false;
  if (wake.IsOpen()) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t cleared = ::read(wake.Get(), &count, sizeof count);
  }
}

bool SerialPort::CheckWentAway() {
  std::unique_lock lock(lock_, std::try_to_lock);
  if (lock.owns_lock() && handles_->device.IsOpen() && !wentAway_) NoteIfGone(0);
  return wentAway_;
}

bool SerialPort::NoteIfGone(int error) {
  // Hang-up, error and invalid descriptor are reported whatever was asked for.
  pollfd watch{handles_->device.Get(), 0, 0};
  const int seen = ::poll(&watch, 1, 0) > 0 ? watch.revents : 0;
  std::string reason;
  if ((seen & POLLHUP) != 0) {
    reason = devicePath_ + " hung up" + kGoneHint;
  } else if (IsGoneError(error)) {
    reason = devicePath_ + " failed: " + std::generic_category().message(error) + kGoneHint;
  } else if ((seen & (POLLERR | POLLNVAL)) != 0) {
    reason = devicePath_ + " failed: the line reported an error" + kGoneHint;
  } else {
    return false;
  }
  NoteGone(reason);
  return true;
}

int SerialPort::Write(const void* bytes, int n) {
  std::lock_guard lock(lock_);
  const FileDescriptor& device = handles_->device;
  if (!device.IsOpen() || wentAway_ || bytes == nullptr || n <= 0) return 0;

  const auto* next = static_cast<const unsigned char*>(bytes);
  const auto deadline = Clock::now() + kWriteTimeout;
  int written = 0;
  while (written < n) {
    const ssize_t count = ::write(device.Get(), next + written, static_cast<size_t>(n - written));
    if (count > 0) {
      written += static_cast<int>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      NoteIfGone(errno);
      break;
    }

    // No room: wait for it, for the rest of the time-out, or for Close.
    const int timeoutMs = MillisecondsUntil(deadline);
    if (timeoutMs == 0) break;
    pollfd waits[2] = {{device.Get(), POLLOUT, 0}, {handles_->wake.Get(), POLLIN, 0}};
    const int ready = ::poll(waits, 2, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    if ((waits[1].revents & POLLIN) != 0) break;
    if ((waits[0].revents & POLLOUT) == 0) {
      NoteIfGone(0);
      break;
    }
  }
  return written;
}

int SerialPort::Read(void* buffer, int n) {
  std::lock_guard lock(lock_);
  const FileDescriptor& device = handles_->device;
  if (!device.IsOpen() || wentAway_ || buffer == nullptr || n <= 0) return 0;
  for (;;) {
    const ssize_t count = ::read(device.Get(), buffer, static_cast<size_t>(n));
    if (count < 0 && errno == EINTR) continue;
    if (count > 0) return static_cast<int>(count);
    // With reads that wait for nothing, a terminal answers 0 both when nothing
    // is queued and when it has hung up; only the descriptor's state tells.
    if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) NoteIfGone(count < 0 ? errno : 0);
    return 0;
  }
}

void SerialPort::Drain() {
  std::lock_guard lock(lock_);
  const FileDescriptor& device = handles_->device;
  if (!device.IsOpen() || wentAway_) return;
  // tcdrain has no time-out: it is called only once the driver's queue is
  // empty, when it waits for no more than the transmitter's last characters.
  const auto deadline = Clock::now() + kDrainLimit;
  for (;;) {
    int queued = 0;
    if (::ioctl(device.Get(), TIOCOUTQ, &queued) != 0) {
      NoteIfGone(errno);
      return;
    }
    if (queued <= 0) break;
    if (Clock::now() >= deadline) return;
    if (CloseSignalled(handles_->wake.Get(), kDrainPollMs)) return;
  }
  (void)::tcdrain(device.Get());
}

void SerialPort::DiscardInput() {
  std::lock_guard lock(lock_);
  const FileDescriptor& device = handles_->device;
  if (device.IsOpen() && !wentAway_) (void)::tcflush(device.Get(), TCIFLUSH);
}

}  // namespace brenvik
