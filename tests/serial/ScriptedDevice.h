#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "base/LinkClock.h"
#include "serial/DevicePort.h"

namespace brenvik::test {

// A LinkClock that only counts: each Sleep adds to a virtual time and returns
// at once. Actions can be scheduled at a virtual time (close the port, request
// a stop); they fire during the sleep that reaches that time, and a stop they
// request cuts that sleep short there, as the real clock would.
class CountingClock final : public LinkClock {
 public:
  bool Sleep(int ms, StopSignal& stop) override;

  // Runs `action` once, during the first sleep that reaches `atMs`.
  void At(int64_t atMs, std::function<void()> action);
  // Runs before every sleep (for sampling status texts).
  void OnEachSleep(std::function<void()> hook) { onSleep_ = std::move(hook); }

  int64_t Now() const;
  std::vector<int> Sleeps() const;  // the requested durations, in order
  int64_t TotalSleptMs() const;

 private:
  mutable std::mutex lock_;
  int64_t now_ = 0;
  std::vector<int> sleeps_;
  std::multimap<int64_t, std::function<void()>> actions_;
  std::function<void()> onSleep_;
};

// How the device answers one frame. It decides when it sees the frame's ETX;
// the bytes become readable after `emptyAttempts` read attempts found nothing.
struct Answer {
  std::vector<uint8_t> bytes;  // empty: silent
  int emptyAttempts = 0;

  static Answer Ack() { return {{0x06}, 0}; }
  static Answer Nak() { return {{0x15}, 0}; }
  static Answer Byte(uint8_t b) { return {{b}, 0}; }
  static Answer Silent() { return {{}, 0}; }
  static Answer After(int attempts, uint8_t b) { return {{b}, attempts}; }
  static Answer Bytes(std::vector<uint8_t> bs) { return {std::move(bs), 0}; }
};

// One write as the device saw it.
struct WriteRecord {
  std::vector<uint8_t> bytes;  // what was accepted
  int requested = 0;           // what the caller asked to write
  int64_t atMs = 0;            // virtual time of the write
};

// A DevicePort with a scripted device behind it: records every accepted byte
// with the virtual time of its write, answers frame n (counted from 0 at each
// ETX) by script[n] or, past the script, by the default answer.
class ScriptedDevice final : public DevicePort {
 public:
  explicit ScriptedDevice(const CountingClock* clock = nullptr) : clock_(clock) {}

  int Write(const void* bytes, int n) override;
  int Read(void* buffer, int n) override;
  void Drain() override;
  // Drops the answers that have arrived and not been read; one still on its
  // way (held back for empty attempts) arrives later, as on a real line.
  void DiscardInput() override;

  void Script(std::vector<Answer> answers);
  void DefaultAnswer(Answer answer);
  // The write call number `call` (0-based, every Write counted) accepts only
  // `count` bytes and reports that count.
  void ShortWriteAt(int call, int count);
  // A closed port writes and reads nothing and reports 0.
  void Close();
  // Queues bytes as if the device had sent them unasked.
  void Queue(std::vector<uint8_t> bytes);
  // Runs after each Read with the read call's number (0-based).
  void OnRead(std::function<void(int call)> hook);

  std::vector<uint8_t> Line() const;  // every accepted byte, in order
  std::vector<WriteRecord> Writes() const;
  // Each complete STX...ETX run on the line with its hex pairs decoded.
  std::vector<std::vector<uint8_t>> Frames() const;
  int EtxCount() const;
  int ReadCalls() const;
  int DiscardCalls() const;
  // How many bytes were on the line at each Drain.
  std::vector<std::size_t> Drains() const;

 private:
  void ReleasePending();
  int ReadQueued(uint8_t* out, int n);

  const CountingClock* clock_;
  mutable std::mutex lock_;
  bool open_ = true;
  std::vector<WriteRecord> writes_;
  std::vector<uint8_t> line_;
  std::map<int, int> shortWrites_;
  std::vector<Answer> script_;
  Answer default_ = Answer::Ack();
  int framesSeen_ = 0;
  std::deque<uint8_t> rx_;
  std::vector<uint8_t> pending_;
  int pendingDelay_ = 0;
  int readCalls_ = 0;
  int discardCalls_ = 0;
  std::function<void(int)> onRead_;
  std::vector<std::size_t> drains_;
};

}  // namespace brenvik::test
