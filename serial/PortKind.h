#pragma once

#include <string>

namespace brenvik {

// Where Linux shows each tty and the device behind it.
inline constexpr const char* kTtyClassFolder = "/sys/class/tty";

// Whether the port at devicePath is built into this PC (a UART on the
// mainboard or an ACPI/PnP one) rather than a USB adapter or a
// pseudo-terminal. Such a port stays when the device on it is switched off,
// so its going away cannot tell one device from the next. False whenever it
// cannot be told.
// Linux: a by-id link is followed to its tty; the tty is built in when the
// device under ttyClassFolder/<tty>/device (past the serial-base bus of newer
// kernels) has the serial8250 driver or sits on the pnp or platform bus. No
// entry there (a pseudo-terminal) is no built-in port.
// Windows: "\\.\COM5" or "COM5" is built in when Device Manager's port of that
// name has PNP0501 (a 16550-compatible port) among its hardware or compatible
// IDs; ttyClassFolder is not used.
bool IsBuiltInPort(const std::string& devicePath,
                   const std::string& ttyClassFolder = kTtyClassFolder);

}  // namespace brenvik
