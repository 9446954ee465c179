#pragma once

#include <atomic>
#include <functional>
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

// Waits, looking every 200 ms, until the port's path exists and the port
// opens. A port that is there but will not open is told about once per cause,
// then waited for like a missing one. False when `stop` is set first.
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
