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

constexpr int32_t kBaudRate = 9600;
constexpr int32_t kNoParity = 0;
constexpr int32_t kByteSize = 8;
constexpr int32_t kOneStopBit = 0;
constexpr int32_t kLineDisabled = 0;

// Owns a descriptor while the open is half done, so every failed step closes it.
class OpeningDescriptor {
 public:
  explicit OpeningDescriptor(int fd) : fd_(fd) {}
  ~OpeningDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpeningDescriptor(const OpeningDescriptor&) = delete;
  OpeningDescriptor& operator=(const OpeningDescriptor&) = delete;

  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Raw 9600 8N1: every byte the device sends arrives unchanged (NAK, 0x11 and
// 0x13 included), nothing is echoed, and reads return at once.
termios RawLineSettings(termios t) {
  cfmakeraw(&t);
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
#ifdef IUCLC
  t.c_iflag &= ~IUCLC;
#endif
  t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return t;
}

// tcsetattr succeeds when any one change took, so the settings that matter are
// compared after reading them back.
bool SettingsTook(const termios& got) {
  constexpr tcflag_t kInputOff =
      IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | BRKINT | INPCK;
  constexpr tcflag_t kLocalOff = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
  constexpr tcflag_t kControlChecked = CSIZE | PARENB | CSTOPB | CLOCAL | CREAD | CRTSCTS;
  return cfgetispeed(&got) == B9600 && cfgetospeed(&got) == B9600 &&
         (got.c_cflag & kControlChecked) == (CS8 | CLOCAL | CREAD) &&
         (got.c_iflag & kInputOff) == 0 && (got.c_oflag & OPOST) == 0 &&
         (got.c_lflag & kLocalOff) == 0 && got.c_cc[VMIN] == 0 && got.c_cc[VTIME] == 0;
}

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits up to timeoutMs for Close to signal; true when it did.
bool CloseSignalled(int wakeFd, int timeoutMs) {
  pollfd wake{wakeFd, POLLIN, 0};
  return ::poll(&wake, 1, timeoutMs) > 0 && (wake.revents & POLLIN) != 0;
}

}  // namespace

SerialPort::SerialPort() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SerialPort::~SerialPort() {
  Close();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

std::string SerialPort::DevicePathFor(uint32_t portNumber) {
  if (portNumber == 0) return {};
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

int SerialPort::Open(uint32_t portNumber) {
  const std::string path = DevicePathFor(portNumber);
  if (path.empty()) return 0;
  return OpenPath(path.c_str());
}

int SerialPort::OpenPath(const char* devicePath) {
  if (devicePath == nullptr || devicePath[0] == '\0') return 0;
  std::lock_guard lock(lock_);
  // Opening over an open port would leak its descriptor; the window opens
  // only a closed port.
  if (handle_ >= 0) return 0;

  // Non-blocking, so neither a missing carrier nor a device that stops reading
  // can hold the open or a Write.
  OpeningDescriptor fd(::open(devicePath, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return 0;
  // A second open of the device by this or another loader fails on the lock.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return 0;

  termios current{};
  if (::tcgetattr(fd.get(), &current) != 0) return 0;
  const termios wanted = RawLineSettings(current);
  dtrControl_ = kLineDisabled;
  rtsControl_ = kLineDisabled;
  baudRate_ = kBaudRate;
  parity_ = kNoParity;
  byteSize_ = kByteSize;
  stopBits_ = kOneStopBit;
  if (::tcsetattr(fd.get(), TCSANOW, &wanted) != 0) return 0;
  termios applied{};
  if (::tcgetattr(fd.get(), &applied) != 0 || !SettingsTook(applied)) return 0;

  // The driver raises DTR and RTS when the device opens; the device must not
  // see them asserted. A pseudo-terminal has no modem lines and refuses this.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)::ioctl(fd.get(), TIOCMBIC, &lines);

  // The exclusive flag also turns away programs that do not take the lock
  // (root excepted). It is set last because it outlives the descriptor on a
  // pseudo-terminal, and an open that fails must leave the device as it was.
  if (::ioctl(fd.get(), TIOCEXCL) != 0) return 0;

  handle_ = fd.release();
  open_ = true;
  return 1;
}

void SerialPort::Close() {
  // A Write or Drain waiting for the device holds the lock; wake it first.
  if (wakeFd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t signalled = ::write(wakeFd_, &one, sizeof one);
  }
  std::lock_guard lock(lock_);
  if (handle_ >= 0) {
    // Bytes still queued belong to a download being abandoned; dropping them
    // keeps close from waiting for a line that does not drain.
    (void)::tcflush(handle_, TCOFLUSH);
    // The exclusive flag outlives this descriptor on a pseudo-terminal.
    (void)::ioctl(handle_, TIOCNXCL);
    ::close(handle_);
    handle_ = -1;
  }
  open_ = false;
  if (wakeFd_ >= 0) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t cleared = ::read(wakeFd_, &count, sizeof count);
  }
}

bool SerialPort::IsOpen() const { return open_; }

int SerialPort::Write(const void* bytes, int n) {
  std::lock_guard lock(lock_);
  if (handle_ < 0 || bytes == nullptr || n <= 0) return 0;

  const auto* next = static_cast<const unsigned char*>(bytes);
  const auto deadline = Clock::now() + kWriteTimeout;
  int written = 0;
  while (written < n) {
    const ssize_t count = ::write(handle_, next + written, static_cast<size_t>(n - written));
    if (count > 0) {
      written += static_cast<int>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;

    // No room: wait for it, for the rest of the time-out, or for Close.
    const int timeoutMs = MillisecondsUntil(deadline);
    if (timeoutMs == 0) break;
    pollfd waits[2] = {{handle_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(waits, 2, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    if ((waits[1].revents & POLLIN) != 0) break;
    if ((waits[0].revents & POLLOUT) == 0) break;  // hung up or failed
  }
  return written;
}

int SerialPort::Read(void* buffer, int n) {
  std::lock_guard lock(lock_);
  if (handle_ < 0 || buffer == nullptr || n <= 0) return 0;
  for (;;) {
    const ssize_t count = ::read(handle_, buffer, static_cast<size_t>(n));
    if (count < 0 && errno == EINTR) continue;
    // Nothing queued (EAGAIN) and failures alike count as nothing read.
    return count > 0 ? static_cast<int>(count) : 0;
  }
}

void SerialPort::Drain() {
  std::lock_guard lock(lock_);
  if (handle_ < 0) return;
  // tcdrain has no time-out: it is called only once the driver's queue is
  // empty, when it waits for no more than the transmitter's last characters.
  const auto deadline = Clock::now() + kDrainLimit;
  for (;;) {
    int queued = 0;
    if (::ioctl(handle_, TIOCOUTQ, &queued) != 0) return;
    if (queued <= 0) break;
    if (Clock::now() >= deadline) return;
    if (CloseSignalled(wakeFd_, kDrainPollMs)) return;
  }
  (void)::tcdrain(handle_);
}

void SerialPort::DiscardInput() {
  std::lock_guard lock(lock_);
  if (handle_ >= 0) (void)::tcflush(handle_, TCIFLUSH);
}

}  // namespace brenvik
