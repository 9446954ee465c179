#include "serial/SerialPort.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "serial/FrameLink.h"

namespace brenvik {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
// A limit in a comparison is written milliseconds(n), not as a literal:
// cppcheck 2.10 stops with an internal error on a chrono literal there.
using std::chrono::milliseconds;
using Bytes = std::vector<uint8_t>;

// Frame delimiters, answers, line ends, flow-control and signal characters:
// each must cross the line as itself.
const Bytes kLineBytes = {0x02, 0x03, 0x06, 0x15, 0x0A, 0x0D, 0x11,
                          0x13, 0xFF, 0x00, 0x7F, 0x1A, 0x04};

// A pseudo-terminal whose device end the port opens by path; the test plays
// the device on the other end. The device end starts with settings as far
// from the loader's as a terminal allows, so the open has to change each one.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    int device = -1;
    char name[128] = {};
    if (::openpty(&master_, &device, name, nullptr, nullptr) != 0) return;
    termios t{};
    ::tcgetattr(device, &t);
    t.c_iflag |= IXON | IXOFF | IXANY | ICRNL | INLCR | ISTRIP | BRKINT;
    t.c_oflag |= OPOST | ONLCR;
    t.c_lflag |= ECHO | ICANON | ISIG | IEXTEN;
    t.c_cflag &= ~(CSIZE | CLOCAL);
    t.c_cflag |= CS7 | PARENB | PARODD | CSTOPB | CRTSCTS;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    ::tcsetattr(device, TCSANOW, &t);
    ::close(device);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = name;
  }
  ~PseudoTerminal() {
    if (master_ >= 0) ::close(master_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return !path_.empty(); }
  const char* path() const { return path_.c_str(); }
  // Terminal settings asked for on this end are those of the device end.
  int master() const { return master_; }
  // Closing this end hangs up the device end, as pulling a USB adapter does.
  void HangUp() {
    ::close(master_);
    master_ = -1;
  }

  void SendToPort(const Bytes& bytes) const {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the port wrote, up to n bytes, waiting at most `patience` for them.
  Bytes ReceiveFromPort(size_t n, std::chrono::milliseconds patience) const {
    Bytes got;
    const auto deadline = Clock::now() + patience;
    while (got.size() < n && Clock::now() < deadline) {
      pollfd ready{master_, POLLIN, 0};
      if (::poll(&ready, 1, 10) <= 0) continue;
      uint8_t chunk[256];
      const ssize_t count = ::read(master_, chunk, std::min(sizeof chunk, n - got.size()));
      if (count > 0) {
        got.insert(got.end(), chunk, chunk + count);
      } else if (count < 0 && errno != EAGAIN) {
        break;  // the port has closed its end
      }
    }
    return got;
  }

 private:
  int master_ = -1;
  std::string path_;
};

// Reads one byte at a time, as the answer wait does, until n bytes came or
// `patience` ran out.
Bytes ReadFromPort(SerialPort& port, size_t n, std::chrono::milliseconds patience) {
  Bytes got;
  const auto deadline = Clock::now() + patience;
  while (got.size() < n && Clock::now() < deadline) {
    uint8_t byte = 0;
    if (port.Read(&byte, 1) == 1) {
      got.push_back(byte);
    } else {
      std::this_thread::sleep_for(1ms);
    }
  }
  return got;
}

// A temporary file the port has no business writing into.
class UnrelatedFile {
 public:
  UnrelatedFile() {
    char name[] = "/tmp/brenvik-unrelated-XXXXXX";
    fd_ = ::mkstemp(name);
    path_ = name;
  }
  ~UnrelatedFile() {
    if (fd_ >= 0) ::close(fd_);
    ::unlink(path_.c_str());
  }
  UnrelatedFile(const UnrelatedFile&) = delete;
  UnrelatedFile& operator=(const UnrelatedFile&) = delete;

  const char* path() const { return path_.c_str(); }
  int fd() const { return fd_; }
  off_t Size() const {
    struct stat info {};
    ::fstat(fd_, &info);
    return info.st_size;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// Opens `path` from a child process that has given up root for nobody, as a
// user outside the device's group would.
Result<> OpenAsNobody(const std::string& path) {
  constexpr uid_t kNobody = 65534;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return Error{"no pipe"};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0) {
      SerialPort port;
      const Result<> opened = port.OpenDevice(path);
      const std::string said = opened ? "opened" : opened.error();
      [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], said.data(), said.size());
    }
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  char said[1024];
  const ssize_t n = ::read(pipeFds[0], said, sizeof said);  // one write, shorter than a pipe's atom
  ::close(pipeFds[0]);
  ::waitpid(child, nullptr, 0);
  const std::string text(said, static_cast<size_t>(std::max<ssize_t>(n, 0)));
  if (text == "opened") return {};
  return Error{text};
}

TEST(SerialPortTest, EveryLineByteCrossesBothWaysUnchanged) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);
  const int n = static_cast<int>(kLineBytes.size());

  EXPECT_EQ(port.Write(kLineBytes.data(), n), n);
  EXPECT_EQ(pty.ReceiveFromPort(kLineBytes.size(), 1000ms), kLineBytes);

  pty.SendToPort(kLineBytes);
  EXPECT_EQ(ReadFromPort(port, kLineBytes.size(), 1000ms), kLineBytes);
  // Nothing the device sent comes back to it as an echo.
  EXPECT_TRUE(pty.ReceiveFromPort(1, 50ms).empty());
}

TEST(SerialPortTest, OpenLeavesTheDeviceRaw9600EightNoneOne) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);

  termios t{};
  ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
  const struct {
    const char* what;
    bool holds;
  } settings[] = {
      {"input speed 9600", cfgetispeed(&t) == B9600},
      {"output speed 9600", cfgetospeed(&t) == B9600},
      {"8 data bits", (t.c_cflag & CSIZE) == CS8},
      {"no parity", (t.c_cflag & PARENB) == 0},
      {"one stop bit", (t.c_cflag & CSTOPB) == 0},
      {"modem lines ignored", (t.c_cflag & CLOCAL) != 0},
      {"receiver on", (t.c_cflag & CREAD) != 0},
      {"no hardware flow control", (t.c_cflag & CRTSCTS) == 0},
      {"no software flow control", (t.c_iflag & (IXON | IXOFF | IXANY)) == 0},
      {"no CR to NL on input", (t.c_iflag & (ICRNL | INLCR)) == 0},
      {"eighth bit kept", (t.c_iflag & ISTRIP) == 0},
      {"no echo", (t.c_lflag & ECHO) == 0},
      {"no line editing", (t.c_lflag & ICANON) == 0},
      {"no signal characters", (t.c_lflag & ISIG) == 0},
      {"no output processing", (t.c_oflag & OPOST) == 0},
      {"reads wait for no byte", t.c_cc[VMIN] == 0},
      {"reads wait no time", t.c_cc[VTIME] == 0},
      {"dtrControl 0", port.dtrControl() == 0},
      {"rtsControl 0", port.rtsControl() == 0},
      {"baudRate 9600", port.baudRate() == 9600},
      {"parity 0", port.parity() == 0},
      {"byteSize 8", port.byteSize() == 8},
      {"stopBits 0", port.stopBits() == 0},
  };
  for (const auto& setting : settings) EXPECT_TRUE(setting.holds) << setting.what;
}

TEST(SerialPortTest, ReadWithNothingQueuedReturnsZeroAtOnce) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);

  uint8_t byte = 0xAA;
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(&byte, 1), 0);
  EXPECT_LT(Clock::now() - start, milliseconds(50));
  // A terminal reads 0 when it has hung up as well; this one has not.
  EXPECT_FALSE(port.WentAway());
  EXPECT_FALSE(port.CheckWentAway());
}

TEST(SerialPortTest, SecondOpenOfTheSameDeviceFailsUntilTheFirstCloses) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort first;
  SerialPort second;
  ASSERT_EQ(first.OpenPath(pty.path()), 1);

  EXPECT_EQ(second.OpenDevice(pty.path()).error(),
            std::string(pty.path()) + ": in use by serial_port_test (process " +
                std::to_string(::getpid()) + "); close that program and try again");
  EXPECT_FALSE(second.IsOpen());
  // The refused open has not disturbed the port that holds the device.
  const uint8_t ack = 0x06;
  EXPECT_EQ(first.Write(&ack, 1), 1);
  EXPECT_EQ(pty.ReceiveFromPort(1, 1000ms), Bytes{0x06});

  first.Close();
  EXPECT_EQ(second.OpenPath(pty.path()), 1);
  EXPECT_TRUE(second.IsOpen());
}

TEST(SerialPortTest, AfterCloseEveryOperationDoesNothingAndCloseAgainIsHarmless) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);
  pty.SendToPort({0x06});
  port.Close();
  port.Close();

  EXPECT_FALSE(port.IsOpen());
  const uint8_t pair[] = {'5', '2'};
  uint8_t byte = 0;
  EXPECT_EQ(port.Write(pair, 2), 0);
  EXPECT_EQ(port.Read(&byte, 1), 0);
  port.Drain();
  port.DiscardInput();
  EXPECT_TRUE(pty.ReceiveFromPort(1, 20ms).empty());
}

TEST(SerialPortTest, DiscardInputDropsWhatTheDeviceSentAndKeepsWhatComesAfter) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);
  pty.SendToPort({0x06, 0x15});
  std::this_thread::sleep_for(milliseconds(50));  // both bytes have arrived

  port.DiscardInput();
  uint8_t byte = 0;
  EXPECT_EQ(port.Read(&byte, 1), 0);
  pty.SendToPort({0x06});
  EXPECT_EQ(ReadFromPort(port, 1, milliseconds(1000)), std::vector<uint8_t>{0x06});
}

TEST(SerialPortTest, OpensThatFindNoUsableDeviceSayWhyAndStayClosed) {
  ASSERT_NE(::access("/dev/ttyS999", F_OK), 0) << "COM1000 is expected not to exist here";
  UnrelatedFile plainFile;
  const std::string file = plainFile.path();
  const std::string missing = "/dev/brenvik-no-such-port";
  struct Case {
    const char* what;
    std::function<Result<>(SerialPort&)> open;
    std::string cause;
  };
  std::vector<Case> cases = {
      {"port 0", [](SerialPort& p) { return p.OpenPort(ParsePortName(" COM0 ")); },
       "COM0 is not a port; give COM1 or above, a device path such as /dev/ttyUSB0, or a name "
       "from /dev/serial/by-id"},
      {"COM1000, missing", [](SerialPort& p) { return p.OpenPort(ParsePortName("COM1000")); },
       "/dev/ttyS999: no such device; check that the adapter is plugged in and the name is right"},
      {"missing path", [&](SerialPort& p) { return p.OpenDevice(missing); },
       missing + ": no such device; check that the adapter is plugged in and the name is right"},
      {"empty path", [](SerialPort& p) { return p.OpenDevice(""); }, "no port given"},
      {"a plain file", [&](SerialPort& p) { return p.OpenDevice(file); },
       file + ": not a serial device (a plain file); choose the port the device is on"},
      {"a device that is no terminal", [](SerialPort& p) { return p.OpenDevice("/dev/null"); },
       "/dev/null: not a serial device; choose the port the device is on"},
      {"a directory", [](SerialPort& p) { return p.OpenDevice("/"); },
       "/: not a serial device (a directory); choose the port the device is on"},
  };
  // A plain user meets the device's permissions, which root passes by.
  PseudoTerminal pty;
  constexpr gid_t kDialout = 20;  // fixed by Debian's base-passwd
  if (::geteuid() == 0 && pty.ok()) {
    const std::string shared = pty.path();
    ASSERT_EQ(::chown(shared.c_str(), 0, kDialout), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0660), 0);
    cases.push_back({"permission denied", [=](SerialPort&) { return OpenAsNobody(shared); },
                     shared + ": permission denied; add your user to the dialout group (sudo "
                              "usermod -aG dialout $USER), then log out and in again"});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SerialPort port;
    const Result<> opened = c.open(port);
    EXPECT_FALSE(opened.ok());
    EXPECT_EQ(opened.error(), c.cause);
    EXPECT_FALSE(port.IsOpen());
    const uint8_t byte = 0x02;
    EXPECT_EQ(port.Write(&byte, 1), 0);
  }
  SerialPort port;
  EXPECT_EQ(port.Open(0), 0);
  EXPECT_EQ(port.OpenPath(nullptr), 0);
  EXPECT_EQ(plainFile.Size(), 0);
}

TEST(SerialPortTest, ADeviceThatHangsUpIsNoticedAndThePortActsClosed) {
  uint8_t byte = 0;
  const struct {
    const char* noticedBy;
    std::function<void(SerialPort&)> notice;
  } cases[] = {
      {"the idle check", [](SerialPort& p) { p.CheckWentAway(); }},
      {"a read", [&](SerialPort& p) { p.Read(&byte, 1); }},
      {"a write", [](SerialPort& p) { p.Write(&kStx, 1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.noticedBy);
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    SerialPort port;
    ASSERT_EQ(port.OpenPath(pty.path()), 1);
    pty.HangUp();

    c.notice(port);
    EXPECT_TRUE(port.WentAway());
    EXPECT_EQ(
        port.WentAwayReason(),
        std::string(pty.path()) + " hung up (the adapter was unplugged or the device powered off)");
    EXPECT_EQ(port.Read(&byte, 1), 0);
    EXPECT_EQ(port.Write(&kStx, 1), 0);
    EXPECT_TRUE(port.CheckWentAway());
    port.Close();
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST(SerialPortTest, ComNumberMapsToTheDeviceOneBelowIt) {
  const struct {
    uint32_t port;
    const char* device;
  } cases[] = {
      {1, "/dev/ttyS0"}, {3, "/dev/ttyS2"}, {12, "/dev/ttyS11"}, {48, "/dev/ttyS47"}, {0, ""}};
  for (const auto& c : cases) EXPECT_EQ(SerialPort::DevicePathFor(c.port), c.device) << c.port;
}

TEST(SerialPortTest, WriteToADeviceThatNeverReadsGivesUpAfterAboutASecond) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);
  const Bytes flood(1 << 20, '5');

  const auto start = Clock::now();
  const int written = port.Write(flood.data(), static_cast<int>(flood.size()));
  const auto took = Clock::now() - start;

  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(flood.size()));
  EXPECT_GE(took, milliseconds(900));
  EXPECT_LT(took, milliseconds(3000));
}

TEST(SerialPortTest, DrainReturnsPromptlyWhenTheDeviceDoesNotRead) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);
  // Fill the line through a second descriptor of our own, which takes none of
  // the port's locks, so the port's queue is full when it drains.
  // Without root the exclusive flag refuses it; the port's own Write then
  // fills the line, in a second.
  const Bytes chunk(4096, 'F');
  const int filler = ::open(pty.path(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  if (filler >= 0) {
    while (::write(filler, chunk.data(), chunk.size()) > 0) {
    }
    ::close(filler);
  } else {
    while (port.Write(chunk.data(), static_cast<int>(chunk.size())) == 4096) {
    }
  }

  const auto start = Clock::now();
  port.Drain();
  EXPECT_LT(Clock::now() - start, milliseconds(1500));
}

TEST(SerialPortTest, CloseDuringAWriteWaitingForRoomEndsTheWriteAtOnce) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);
  const Bytes flood(1 << 20, 'A');
  std::atomic<int> written{-1};
  std::atomic<Clock::time_point> writeEnded{};

  std::jthread worker([&] {
    written = port.Write(flood.data(), static_cast<int>(flood.size()));
    writeEnded = Clock::now();
  });
  std::this_thread::sleep_for(200ms);  // the device end never reads: the Write waits for room
  const auto checkStarted = Clock::now();
  EXPECT_FALSE(port.CheckWentAway());
  EXPECT_LT(Clock::now() - checkStarted, milliseconds(50)) << "the check waited for the Write";
  const auto closeStarted = Clock::now();
  port.Close();
  const auto closeTook = Clock::now() - closeStarted;
  worker.join();

  // Without the wake-up the Close would wait out the rest of the Write's second.
  EXPECT_LT(closeTook, milliseconds(500));
  EXPECT_LT(writeEnded.load() - closeStarted, milliseconds(500));
  EXPECT_GE(written, 0);
  EXPECT_LT(written, static_cast<int>(flood.size()));
  EXPECT_FALSE(port.IsOpen());
}

// The race itself is rare on a plain run; the thread sanitizer build reports a
// port whose descriptor is used without its lock here at once.
TEST(SerialPortTest, CloseWhileAWorkerWritesAndReadsNeverLetsItTouchAnotherFile) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.ok());
  SerialPort port;
  ASSERT_EQ(port.OpenPath(pty.path()), 1);

  // The device reads everything, so the worker's writes never wait.
  std::jthread device([&](const std::stop_token& stop) {
    while (!stop.stop_requested()) pty.ReceiveFromPort(4096, 10ms);
  });
  std::jthread worker([&](const std::stop_token& stop) {
    const uint8_t pair[] = {'3', 'A'};
    uint8_t answer = 0;
    while (!stop.stop_requested()) {
      port.Write(pair, 2);
      port.Read(&answer, 1);
    }
  });
  std::this_thread::sleep_for(100ms);
  port.Close();
  // The descriptor number the port had is free now, and the lowest free one
  // is what the next open gets: very likely this file's.
  UnrelatedFile unrelated;
  ASSERT_GE(unrelated.fd(), 0);
  std::this_thread::sleep_for(100ms);
  worker.request_stop();
  worker.join();

  EXPECT_EQ(unrelated.Size(), 0);
}

}  // namespace
}  // namespace brenvik
