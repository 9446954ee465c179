#include "tools/device/PtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "base/FileDescriptor.h"
#include "serial/LineSettingsPosix.h"

namespace brenvik::device {
namespace {

constexpr const char* kThreadName = "pty-device";

bool SetCloseOnExec(int fd) {
  const int flags = ::fcntl(fd, F_GETFD);
  return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

// The master end of the pty: what the loader writes to the terminal end
// arrives here, and the answers go back through it.
class MasterLine final : public DeviceLine {
 public:
  explicit MasterLine(const FileDescriptor& master) : master_(master) {}

  std::size_t Read(uint8_t* buffer, std::size_t size, int timeoutMs) override {
    pollfd watch{master_.Get(), POLLIN, 0};
    if (::poll(&watch, 1, timeoutMs) <= 0) return 0;
    if ((watch.revents & POLLIN) == 0) {
      // Hang-up or error without data: nothing to read, so do not spin on it.
      std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
      return 0;
    }
    const ssize_t n = ::read(master_.Get(), buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  bool Write(uint8_t byte) override {
    ssize_t written = 0;
    while ((written = ::write(master_.Get(), &byte, 1)) < 0 && errno == EINTR) {
    }
    return written == 1;
  }

 private:
  const FileDescriptor& master_;
};

}  // namespace

struct PtyDevice::Pty {
  explicit Pty(LinePace linePace) : pace(linePace), paced(line, linePace) {}

  FileDescriptor master;
  FileDescriptor terminal;  // kept open so the pty outlives a loader's close
  std::string path;
  MasterLine line{master};
  LinePace pace;
  PacedLine paced;
};

PtyDevice::PtyDevice(DevicePolicy policy, LinePace pace)
    : AnsweringDevice(std::move(policy)), pty_(std::make_unique<Pty>(pace)) {}

// The answering thread uses the master end until it has stopped.
PtyDevice::~PtyDevice() { Stop(); }

Result<> PtyDevice::Start() {
  if (pty_->master.IsOpen()) return Error{"already started"};
  FileDescriptor master(::posix_openpt(O_RDWR | O_NOCTTY));
  if (!master.IsOpen()) return SystemError("posix_openpt", errno);
  if (!SetCloseOnExec(master.Get()) || ::grantpt(master.Get()) != 0 ||
      ::unlockpt(master.Get()) != 0) {
    return SystemError("grantpt/unlockpt", errno);
  }
  char name[128];
  if (::ptsname_r(master.Get(), name, sizeof name) != 0) return SystemError("ptsname_r", errno);
  FileDescriptor terminal(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!terminal.IsOpen()) return SystemError(name, errno);
  // The terminal end as a serial line, with nothing cooked: an echo would
  // come back to the device as if the loader had sent it.
  if (const int fault = ApplyLineSettings(terminal.Get()); fault != 0) {
    return fault == kLineSettingsRefused ? Error{"tcsetattr: the line settings did not take"}
                                         : SystemError("tcgetattr", fault);
  }
  // Non-blocking answers: a full queue towards a loader that reads nothing
  // must not hang the device's thread.
  const int flags = ::fcntl(master.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
    return SystemError("fcntl", errno);
  }
  pty_->path = name;
  pty_->master = std::move(master);
  pty_->terminal = std::move(terminal);
  if (pty_->pace.Paced()) {
    StartAnswering(pty_->paced, kThreadName);
  } else {
    StartAnswering(pty_->line, kThreadName);
  }
  return {};
}

std::string PtyDevice::Path() const { return pty_->path; }

}  // namespace brenvik::device
