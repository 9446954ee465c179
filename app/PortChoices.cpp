#include "app/PortChoices.h"

#include <utility>

namespace brenvik::app {

std::string ComPortName(int index) { return "COM" + std::to_string(index + 1); }

std::vector<PortChoice> PresentPortChoices(const std::vector<PortInfo>& ports,
                                           const std::string& givenPort) {
  std::vector<PortChoice> choices;
  choices.reserve(ports.size() + 1);
  bool givenListed = givenPort.empty();
  for (const PortInfo& port : ports) {
    choices.push_back({PortLabel(port), port.path});
    givenListed = givenListed || port.path == givenPort;
  }
  for (int i = 0; i < kComPortCount && !givenListed; ++i) givenListed = ComPortName(i) == givenPort;
  if (!givenListed) choices.push_back({givenPort, givenPort});
  return choices;
}

std::vector<PortInfo> ListPresentPorts() {
  Result<std::vector<PortInfo>> listed = ListPorts();
  return listed ? std::move(*listed) : std::vector<PortInfo>{};
}

std::string PortToOpen(int index, const std::string& text, const std::vector<PortChoice>& present) {
  const int presentIndex = index - kComPortCount;
  if (presentIndex >= 0 && presentIndex < static_cast<int>(present.size()) &&
      present[static_cast<std::size_t>(presentIndex)].label == text) {
    return present[static_cast<std::size_t>(presentIndex)].path;
  }
  return text;
}

}  // namespace brenvik::app
