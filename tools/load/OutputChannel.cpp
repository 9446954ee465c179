#include "tools/load/OutputChannel.h"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

namespace brenvik::load {
namespace {

// Past this many bytes waiting, the reader lags and stale texts merge.
constexpr std::size_t kLagBytes = std::size_t{16} * 1024;
// How long a text posted after another channel's waits for it at most.
constexpr auto kAfterWait = std::chrono::milliseconds(200);

// Writes all of `text`; false when the descriptor will take no more.
bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

struct OutputChannel::State {
  struct Item {
    std::string text;
    int source = kNoSource;
    bool mergeable = false;
    std::shared_ptr<State> after;  // written once that channel is idle
  };

  std::mutex lock;
  std::condition_variable changed;
  std::deque<Item> items;
  std::size_t waitingBytes = 0;  // queued or being written
  bool writing = false;          // the writer holds an item it took off the queue
  bool on = true;
  bool quit = false;
  std::thread writer;

  bool Idle() const { return items.empty() && !writing; }
  bool IdleNow() {
    std::lock_guard guard(lock);
    return Idle();
  }
};

OutputChannel::OutputChannel(int fd) : fd_(fd), state_(std::make_shared<State>()) {
  state_->writer = std::thread([fd, state = state_] {
    std::unique_lock guard(state->lock);
    for (;;) {
      state->changed.wait(guard, [&] { return state->quit || !state->items.empty(); });
      if (state->items.empty()) return;
      State::Item item = std::move(state->items.front());
      state->items.pop_front();
      // The texts queued behind it go out in the same write, a burst of lines
      // in one system call and one wake of the reader.
      while (!item.after && !state->items.empty() && !state->items.front().after &&
             item.text.size() < kLagBytes) {
        item.text += state->items.front().text;
        state->items.pop_front();
      }
      state->writing = true;
      const bool on = state->on;
      guard.unlock();
      if (item.after) {
        const auto deadline = std::chrono::steady_clock::now() + kAfterWait;
        while (!item.after->IdleNow() && std::chrono::steady_clock::now() < deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
      }
      const bool written = on && WriteAll(fd, item.text);
      guard.lock();
      // Counted until written: a text the reader holds up is lag too.
      state->waitingBytes -= item.text.size();
      state->writing = false;
      if (on && !written) state->on = false;
      state->changed.notify_all();
    }
  });
}

OutputChannel::~OutputChannel() {
  std::unique_lock guard(state_->lock);
  state_->quit = true;
  const bool stuck = !state_->Idle();
  state_->changed.notify_all();
  guard.unlock();
  if (stuck) {
    // Its write may never return; the state lives on with it.
    state_->writer.detach();
  } else {
    state_->writer.join();
  }
}

void OutputChannel::Post(std::string text, int source, bool mergeable) {
  std::lock_guard guard(state_->lock);
  if (!state_->on || state_->quit) return;
  if (mergeable && state_->waitingBytes > kLagBytes) {
    for (auto item = state_->items.rbegin(); item != state_->items.rend(); ++item) {
      if (item->source != source) continue;
      if (!item->mergeable) break;
      state_->waitingBytes = state_->waitingBytes - item->text.size() + text.size();
      item->text = std::move(text);
      return;
    }
  }
  state_->waitingBytes += text.size();
  state_->items.push_back({std::move(text), source, mergeable, nullptr});
  state_->changed.notify_all();
}

void OutputChannel::PostAfter(std::string text, const OutputChannel& before) {
  std::lock_guard guard(state_->lock);
  if (!state_->on || state_->quit) return;
  state_->waitingBytes += text.size();
  state_->items.push_back({std::move(text), kNoSource, false, before.state_});
  state_->changed.notify_all();
}

bool OutputChannel::Drain(std::chrono::milliseconds timeout) {
  std::unique_lock guard(state_->lock);
  return state_->changed.wait_for(guard, timeout, [&] { return state_->Idle() || !state_->on; });
}

}  // namespace brenvik::load
