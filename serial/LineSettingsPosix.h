#pragma once

// POSIX only: the line settings as termios knows them. A Windows port sets
// its line through its own API and does not use this.

namespace brenvik {

// What ApplyLineSettings answers when the terminal took the call but not the
// settings; the system's error numbers are all positive.
inline constexpr int kLineSettingsRefused = -1;

// Makes the terminal on `fd` a raw serial line at 9600 baud, 8 data bits, no
// parity, one stop bit: every byte the other end sends arrives unchanged (NAK,
// 0x11 and 0x13 included), nothing is echoed, no flow control, and reads
// return at once with what is there. tcsetattr succeeds when any one change
// took, so the settings that matter are read back and compared. Returns 0
// when they all took, the errno of a failed tcgetattr, or
// kLineSettingsRefused when tcsetattr failed or the settings read back differ.
int ApplyLineSettings(int fd);

}  // namespace brenvik
