#pragma once

#include <optional>
#include <string>

#include "serial/PortList.h"

namespace brenvik::load {

// One line of --list-ports, newline included: the port's columns separated
// by tabs, "-" for what is not known. Linux: path, by-id name, description,
// USB VID:PID, serial number. Windows: COM name, friendly name, USB VID:PID,
// serial number. Both then: the driver and the adapter's latency timer.
std::string PortListLine(const PortInfo& port);

// The text of a --list-ports column, or "-" for one that is not known.
std::string OrDash(const std::string& text);

// "0403:6001", or "-" for a port that is not a USB one.
std::string UsbIdsColumn(const PortInfo& port);

// The driver and latency timer columns: "\tftdi_sio\t16 ms", dashes where unknown.
std::string DriverColumns(const PortInfo& port);

// What the loader says, once per port, of an adapter whose latency timer is
// above 2 ms (every answer may wait that long): the timer, and where to
// change it on this system. Empty for 2 ms or less, or none known.
std::string LatencyTimerWarning(const std::string& devicePath, std::optional<int> latencyMs);

}  // namespace brenvik::load
