#pragma once

#include <string>
#include <vector>

#include "serial/PortList.h"

namespace brenvik::app {

// The port list of the main window: COM1 to COM48, then the ports present,
// each by a readable label that stands for its path.

inline constexpr int kComPortCount = 48;

// "COM1" for index 0, up to "COM48".
std::string ComPortName(int index);

// A port present as the list shows it.
struct PortChoice {
  std::string label;  // "ttyUSB0 – FT232R USB UART (A10K3XYZ)", UTF-8
  std::string path;   // what Connect opens
  bool operator==(const PortChoice&) const = default;
};

// The entries for the ports present, in the order listed, then givenPort
// (the window's --port) by its path when it is neither a COM name nor listed:
// a pseudo-terminal, which the system does not list, can be chosen too.
std::vector<PortChoice> PresentPortChoices(const std::vector<PortInfo>& ports,
                                           const std::string& givenPort = {});

// The ports present as the system lists them; none when it will not say, as
// the COM names and a typed name still work then.
std::vector<PortInfo> ListPresentPorts();

// What Connect opens, given the list's chosen index (-1 when none) and the
// field's text: the path of a port present that is chosen as listed, else the
// text as typed or chosen ("COM3", a device name).
std::string PortToOpen(int index, const std::string& text, const std::vector<PortChoice>& present);

}  // namespace brenvik::app
