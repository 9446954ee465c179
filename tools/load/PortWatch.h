#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "serial/PortName.h"
#include "serial/SerialPort.h"

namespace brenvik::load {

// Where the port watch says what holds it up (a port there that will not open):
// standard error, behind the program's name.
using WarningSink = std::function<void(const std::string& line)>;

// The device path a port name leads to: the path given, or the device of
// COM n (Linux: /dev/ttyS<n-1>); empty for no port.
std::string WatchedPath(const PortName& name);

// What a port's path leads to, which changes when another device takes the
// name; empty when it leads nowhere. Linux: the file at the end of its
// symbolic links (a by-id name, a link made by brenvik-device). Windows: the
// device the COM name stands for (QueryDosDevice).
std::string PathTarget(const std::string& path);

// The port as the log names it. Linux: the device its path leads to
// ("/dev/ttyUSB0" for a by-id name). Windows: the COM name ("COM3").
std::string PortLogName(const std::string& path);

// A device node first appears owned by root and gets its group and its by-id
// link from udev a moment later; an open refused in that moment says nothing
// about the port. This tells, look by look, whether the node is still in it:
// up to two seconds after a look found it appear (or lead to another device)
// where an earlier look found none.
class NodeSettling {
 public:
  using Clock = std::chrono::steady_clock;
  // What one look found the port's path leading to (empty: nothing), at `now`.
  void Look(const std::string& target, Clock::time_point now);
  // Whether an open refused at `now` is to be tried again without a word.
  bool Settling(Clock::time_point now) const;

 private:
  bool looked_ = false;
  std::string last_;
  std::optional<Clock::time_point> appearedAt_;
};

// Waits, looking every 200 ms, until the port's path exists and the port
// opens. A port that is there but will not open is told about once per cause,
// then waited for like a missing one; one that has just appeared is first
// given its NodeSettling moment. False when `stop` is set first.
bool WaitForPort(SerialPort& port, const PortName& name, const std::atomic<bool>& stop,
                 const WarningSink& warn);

// Waits, looking every 200 ms, until the open port's device has gone away: it
// hung up, or its path is gone or leads to another device than `target`
// (what it led to when opened). False when `stop` is set first.
bool WaitUntilGone(SerialPort& port, const std::string& path, const std::string& target,
                   const std::atomic<bool>& stop);

// Throws away what was typed on the terminal or console on `fd` and not yet
// read: an Enter pressed before a prompt is not the prompt's answer. Input
// from a pipe or a file is kept.
void DiscardTypedInput(int fd);

// Waits for a line on descriptor `fd` (on a Windows console: the Enter key);
// false at its end or when `stop` is set first.
bool WaitForEnter(int fd, const std::atomic<bool>& stop);

}  // namespace brenvik::load
