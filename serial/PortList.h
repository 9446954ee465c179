#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "serial/PortName.h"

namespace brenvik {

// One serial port present on this machine and what the system knows of it.
// Texts the system does not know are empty.
struct PortInfo {
  std::string path;          // the device: "/dev/ttyUSB0", or "COM3" on Windows
  std::string byIdPath;      // its stable name: "/dev/serial/by-id/usb-FTDI_..."; empty when none
  std::string description;   // the system's description (an adapter's product)
  std::string manufacturer;  // USB manufacturer: "FTDI"
  std::string product;       // USB product: "FT232R USB UART"
  std::string serialNumber;  // USB serial number: "A10K3XYZ"
  std::optional<uint16_t> usbVendorId;   // 0x0403 for FTDI; none when not USB
  std::optional<uint16_t> usbProductId;  // 0x6001 for the FT232R
  std::string driver;                    // the driver: "ftdi_sio", "cdc_acm"; "FTDIBUS", "usbser"
  bool builtIn = false;                  // a port of the PC itself (IsBuiltInPort)
  std::optional<int> latencyTimerMs;     // the adapter's latency timer; none when not kept
};

// Where Linux shows the settings of each USB serial port's driver.
inline constexpr const char* kUsbSerialFolder = "/sys/bus/usb-serial/devices";

// Lists every serial port present, sorted by SortPorts. On Linux, those that
// have a device node (libserialport), with their by-id names looked up in
// byIdFolder; on Windows, the COM ports that Device Manager lists (SetupAPI),
// without by-id names. Fails when the system cannot be asked ("cannot list the
// serial ports: ...").
Result<std::vector<PortInfo>> ListPorts(const std::string& byIdFolder = kByIdFolder);

// The latency timer, in milliseconds, of the USB serial adapter behind
// devicePath: how long it holds what it receives before passing it on. None
// when its driver keeps none (FTDI's does) or it cannot be read.
// Linux: usbSerialFolder/<tty>/latency_timer, a by-id link followed to its tty.
// Windows: the LatencyTimer of the COM port's device parameters (see
// LatencyTimerFromParameters); usbSerialFolder is not used.
std::optional<int> LatencyTimerOf(const std::string& devicePath,
                                  const std::string& usbSerialFolder = kUsbSerialFolder);

// A DWORD value of a port's device parameters by name, none when absent.
// Windows keeps them in the device's registry key (SetupAPI's DIREG_DEV).
using DeviceParameterReader = std::function<std::optional<uint32_t>(const std::string& name)>;
// The FTDI driver's "LatencyTimer" among them, 1 to 255 ms; none otherwise.
std::optional<int> LatencyTimerFromParameters(const DeviceParameterReader& read);

// Sorts by path with numbers in order: ttyS2 before ttyS10, COM2 before COM10.
void SortPorts(std::vector<PortInfo>& ports);

// The entry of byIdFolder that leads to devicePath, as byIdFolder + "/" +
// name; empty when none does or the folder is missing.
std::string ByIdPathFor(const std::string& devicePath, const std::string& byIdFolder = kByIdFolder);

// What the port is, in words: the USB product, else the system's description
// when it says more than the device name, else the manufacturer; empty when
// nothing is known.
std::string PortDescription(const PortInfo& port);

// One readable line for a port list: "ttyUSB0 – FT232R USB UART (A10K3XYZ)",
// the device name, an en dash, the description ("serial port" when none is
// known) and the serial number in parentheses when known. UTF-8.
std::string PortLabel(const PortInfo& port);

}  // namespace brenvik
