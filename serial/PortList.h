#pragma once

#include <cstdint>
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
};

// Lists every serial port present, sorted by SortPorts. On Linux, those that
// have a device node (libserialport), with their by-id names looked up in
// byIdFolder; on Windows, the COM ports that Device Manager lists (SetupAPI),
// without by-id names. Fails when the system cannot be asked ("cannot list the
// serial ports: ...").
Result<std::vector<PortInfo>> ListPorts(const std::string& byIdFolder = kByIdFolder);

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
