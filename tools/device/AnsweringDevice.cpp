#include "tools/device/AnsweringDevice.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace brenvik::device {
namespace {

// The longest wait for bytes before the thread looks at the stop flag again:
// short, so Stop returns promptly.
constexpr int kPollMs = 10;
constexpr auto kMidFrameNap = std::chrono::microseconds(1000);

}  // namespace

struct AnsweringDevice::State {
  explicit State(DevicePolicy policy) : device(std::move(policy)) {}

  void Run(DeviceLine& line);
  void SendDue(DeviceLine& line, AnswerQueue& outgoing);

  Observer observer;
  std::thread thread;
  std::atomic<bool> stopping{false};
  std::atomic<std::size_t> answerBytesSent{0};

  mutable std::mutex lock;  // guards `device`
  mutable std::condition_variable frameArrived;
  SimulatedDevice device;
};

// Answers go out when due; when nobody reads the other end and the line's
// queue is full, an answer is lost as it would be on a real line.
void AnsweringDevice::State::SendDue(DeviceLine& line, AnswerQueue& outgoing) {
  for (const uint8_t answer : outgoing.TakeDue(AnswerQueue::Clock::now())) {
    if (line.Write(answer)) ++answerBytesSent;
  }
}

void AnsweringDevice::State::Run(DeviceLine& line) {
  std::vector<Answer> answers;
  std::vector<DeviceEvent> events;
  AnswerQueue outgoing;
  uint8_t buffer[512];
  while (!stopping.load()) {
    // Wake for a delayed answer as well as for bytes from the loader.
    int timeoutMs = kPollMs;
    if (const auto due = outgoing.NextDue()) {
      const auto untilDue =
          std::chrono::ceil<std::chrono::milliseconds>(*due - AnswerQueue::Clock::now());
      timeoutMs = static_cast<int>(
          std::clamp<std::chrono::milliseconds::rep>(untilDue.count(), 0, kPollMs));
    }
    const std::size_t n = line.Read(buffer, sizeof buffer, timeoutMs);
    SendDue(line, outgoing);
    if (n == 0) continue;
    const auto arrived = AnswerQueue::Clock::now();
    answers.clear();
    events.clear();
    bool inFrame = false;
    {
      std::lock_guard<std::mutex> guard(lock);
      device.Feed(buffer, n, answers, &events);
      inFrame = device.InFrame();
    }
    for (const Answer& answer : answers) outgoing.Add(answer, arrived);
    SendDue(line, outgoing);
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

AnsweringDevice::AnsweringDevice(DevicePolicy policy)
    : state_(std::make_unique<State>(std::move(policy))) {}

AnsweringDevice::~AnsweringDevice() { Stop(); }

void AnsweringDevice::SetObserver(Observer observer) { state_->observer = std::move(observer); }

void AnsweringDevice::StartAnswering(DeviceLine& line, const char* threadName) {
  State& s = *state_;
  if (s.thread.joinable()) return;
  s.stopping = false;
  s.thread = std::thread([&s, &line, threadName] {
    pthread_setname_np(pthread_self(), threadName);
    s.Run(line);
  });
}

void AnsweringDevice::Stop() {
  state_->stopping = true;
  if (state_->thread.joinable()) state_->thread.join();
}

std::vector<ReceivedFrame> AnsweringDevice::Frames() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Frames();
}

std::size_t AnsweringDevice::FrameCount() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Frames().size();
}

std::vector<Answer> AnsweringDevice::Answers() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Answers();
}

std::size_t AnsweringDevice::AnswerBytesSent() const { return state_->answerBytesSent.load(); }

bool AnsweringDevice::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> guard(state_->lock);
  return state_->frameArrived.wait_for(
      guard, timeout, [this, count] { return state_->device.Frames().size() >= count; });
}

std::size_t AnsweringDevice::StrayByteCount() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.StrayByteCount();
}

bool AnsweringDevice::HasDb() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Received().HasDb();
}

bool AnsweringDevice::HasMmi() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->device.Received().HasMmi();
}

Result<> AnsweringDevice::WriteDb(const std::string& path) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return WriteDbFile(state_->device.Received().Db(), path);
}

Result<> AnsweringDevice::WriteMmi(const std::string& path) const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return WriteMmiFile(state_->device.Received().Mmi(), path);
}

}  // namespace brenvik::device
