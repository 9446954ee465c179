#pragma once

#include <string>

#include "serial/PortList.h"

namespace brenvik::load {

// The parts of the loader's texts that speak of the system it runs on: how
// ports are named, how the ports are listed, what stops a download.
struct SystemTexts {
  const char* portForms;    // the help's paragraph on what PORT may be
  const char* portNeeded;   // the usage error of --port without a value
  const char* listColumns;  // the help's lines on --list-ports
  const char* stopping;     // the help's line on what stops a download
  const char* lineExample;  // the help's production-line example
};
const SystemTexts& LoadSystemTexts();

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
