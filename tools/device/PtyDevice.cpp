#include "tools/device/PtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace brenvik::device {
namespace {

// How long the answering thread waits for bytes before it looks at the stop
// flag again: short, so Stop returns promptly.
constexpr int kPollMs = 10;
constexpr const char* kThreadName = "pty-device";
constexpr auto kMidFrameNap = std::chrono::microseconds(1000);

// A descriptor owned by exactly one object.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::generic_category().message(errno);
}

bool SetCloseOnExec(int fd) {
  const int flags = ::fcntl(fd, F_GETFD);
  return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

// The terminal end as a serial line at 9600 8N1 with nothing cooked: no echo
// (an echo would come back to the device as if the loader had sent it), no
// line editing, no character translation.
bool MakeRaw(int fd) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return false;
  ::cfmakeraw(&settings);
  ::cfsetispeed(&settings, B9600);
  ::cfsetospeed(&settings, B9600);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

struct PtyDevice::State {
  explicit State(DevicePolicy policy) : device(std::move(policy)) {}

  void Run();

  UniqueFd master;
  UniqueFd terminal;  // kept open so the pty outlives a loader's close
  std::string path;
  std::string error;
  Observer observer;
  std::thread thread;
  std::atomic<bool> stopping{false};
  std::atomic<std::size_t> answerBytesSent{0};

  mutable std::mutex lock;  // guards `device`
  mutable std::condition_variable frameArrived;
  SimulatedDevice device;
};

void PtyDevice::State::Run() {
  // Named, so top -H and the benchmark can tell the device's CPU from the loader's.
  pthread_setname_np(pthread_self(), kThreadName);
  std::vector<Answer> answers;
  std::vector<DeviceEvent> events;
  AnswerQueue outgoing;
  uint8_t buffer[512];
  // Answers go out when due; when nobody reads the terminal end and its queue
  // is full, an answer is lost as it would be on a real line.
  auto sendDue = [&] {
    for (uint8_t answer : outgoing.TakeDue(AnswerQueue::Clock::now())) {
      ssize_t written = 0;
      while ((written = ::write(master.Get(), &answer, 1)) < 0 && errno == EINTR) {
      }
      if (written == 1) ++answerBytesSent;
    }
  };
  while (!stopping.load()) {
    // Wake for a delayed answer as well as for bytes from the loader.
    int timeoutMs = kPollMs;
    if (const auto due = outgoing.NextDue()) {
      const auto untilDue =
          std::chrono::ceil<std::chrono::milliseconds>(*due - AnswerQueue::Clock::now());
      timeoutMs = static_cast<int>(
          std::clamp<std::chrono::milliseconds::rep>(untilDue.count(), 0, kPollMs));
    }
    pollfd watch{master.Get(), POLLIN, 0};
    const int ready = ::poll(&watch, 1, timeoutMs);
    sendDue();
    if (ready <= 0) continue;
    if ((watch.revents & POLLIN) == 0) {
      // Hang-up or error without data: nothing to read, so do not spin on it.
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
      continue;
    }
    const ssize_t n = ::read(master.Get(), buffer, sizeof buffer);
    if (n <= 0) continue;
    const auto arrived = AnswerQueue::Clock::now();
    answers.clear();
    events.clear();
    bool inFrame = false;
    {
      std::lock_guard<std::mutex> guard(lock);
      device.Feed(buffer, static_cast<std::size_t>(n), answers, &events);
      inFrame = device.InFrame();
    }
    for (const Answer& answer : answers) outgoing.Add(answer, arrived);
    sendDue();
    frameArrived.notify_all();
    if (observer) {
      for (const DeviceEvent& event : events) observer(event);
    }
    // The sender writes a frame pair by pair; a short nap in the middle of one
    // lets the rest arrive in one read instead of waking this thread per pair.
    // A real line brings a byte a millisecond at 9600 baud, so nothing waits on it.
    if (inFrame) std::this_thread::sleep_for(kMidFrameNap);
  }
}

PtyDevice::PtyDevice(DevicePolicy policy) : state_(std::make_unique<State>(std::move(policy))) {}

PtyDevice::~PtyDevice() { Stop(); }

void PtyDevice::SetObserver(Observer observer) { state_->observer = std::move(observer); }

bool PtyDevice::Start() {
  State& s = *state_;
  if (s.master.Get() >= 0) {
    s.error = "already started";
    return false;
  }
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY));
  if (master.Get() < 0) {
    s.error = SystemError("posix_openpt");
    return false;
  }
  if (!SetCloseOnExec(master.Get()) || ::grantpt(master.Get()) != 0 ||
      ::unlockpt(master.Get()) != 0) {
    s.error = SystemError("grantpt/unlockpt");
    return false;
  }
  char name[128];
  if (::ptsname_r(master.Get(), name, sizeof name) != 0) {
    s.error = SystemError("ptsname_r");
    return false;
  }
  UniqueFd terminal(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (terminal.Get() < 0) {
    s.error = SystemError(name);
    return false;
  }
  if (!MakeRaw(terminal.Get())) {
    s.error = SystemError("tcsetattr");
    return false;
  }
  // Non-blocking answers: a full queue towards a loader that reads nothing
  // must not hang the device's thread.
  const int flags = ::fcntl(master.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
    s.error = SystemError("fcntl");
    return false;
  }
  s.path = name;
  s.master.Reset(master.Release());
  s.terminal.Reset(terminal.Release());
  s.stopping = false;
  s.thread = std::thread([&s] { s.Run(); });
  return true;
}

std::string PtyDevice::Path() const { return state_->path; }

std::vector<ReceivedFrame> PtyDevice::Frames() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Frames();
}

std::size_t PtyDevice::FrameCount() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Frames().size();
}

std::vector<Answer> PtyDevice::Answers() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Answers();
}

std::size_t PtyDevice::AnswerBytesSent() const { return state_->answerBytesSent.load(); }

void PtyDevice::Stop() {
  state_->stopping = true;
  if (state_->thread.joinable()) state_->thread.join();
}

bool PtyDevice::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> guard(state_->lock);
  return state_->frameArrived.wait_for(
      guard, timeout, [this, count] { return state_->device.Frames().size() >= count; });
}

std::size_t PtyDevice::StrayByteCount() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.StrayByteCount();
}

bool PtyDevice::HasDb() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Received().HasDb();
}

bool PtyDevice::HasMmi() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Received().HasMmi();
}

Result<> PtyDevice::WriteDb(const std::string& path) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return WriteDbFile(state_->device.Received().Db(), path);
}

Result<> PtyDevice::WriteMmi(const std::string& path) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return WriteMmiFile(state_->device.Received().Mmi(), path);
}

std::string PtyDevice::Error() const { return state_->error; }

}  // namespace brenvik::device
