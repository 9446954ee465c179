#pragma once

#include <string>

#include "serial/PortList.h"

namespace brenvik::load {

// One line of --list-ports, newline included: the port's columns separated
// by tabs, "-" for what is not known. Linux: path, by-id name, description,
// USB VID:PID, serial number. Windows: COM name, friendly name, USB VID:PID,
// serial number.
std::string PortListLine(const PortInfo& port);

// The text of a --list-ports column, or "-" for one that is not known.
std::string OrDash(const std::string& text);

// "0403:6001", or "-" for a port that is not a USB one.
std::string UsbIdsColumn(const PortInfo& port);

}  // namespace brenvik::load
