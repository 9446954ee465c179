#pragma once

// POSIX only: the USB serial adapters plugged in, as sysfs shows them, for the
// cause of a port that does not exist.

#include <string>
#include <vector>

namespace brenvik {

// Where Linux lists every USB device.
inline constexpr const char* kUsbDevicesFolder = "/sys/bus/usb/devices";

// The common USB serial adapters (FTDI, Silicon Labs CP210x, WCH, Prolific)
// plugged in whose driver made no tty, each as "USB Serial (1a86:7523)": the
// product, "a USB serial adapter" when it names none, and its VID:PID.
std::vector<std::string> AdaptersWithoutTty(
    const std::string& usbDevicesFolder = kUsbDevicesFolder);

// "PATH: no such device; ...": with such adapters plugged in, which they are,
// that another driver (brltty's) may have claimed them and how to stop that.
std::string NoSuchDeviceCause(const std::string& path, const std::vector<std::string>& adapters);

// How to stop ModemManager or brltty, the holders (as "brltty (process 812)")
// that take a new port by themselves, behind the in-use cause; empty for others.
std::string DesktopHolderAdvice(const std::vector<std::string>& holders);

}  // namespace brenvik
