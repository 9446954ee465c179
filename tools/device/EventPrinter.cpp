#include "tools/device/EventPrinter.h"

#include <cstdio>
#include <vector>

namespace brenvik::device {
namespace {

// The first 32 bytes in hex, then " ..." when there are more.
std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size() && i < 32; ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += pair;
  }
  if (bytes.size() > 32) text += " ...";
  return text;
}

}  // namespace

void EventPrinter::operator()(const DeviceEvent& event) const {
  switch (event.kind) {
    case DeviceEvent::Kind::Frame:
      Say(DescribeFrame(event.frame, event.answer));
      break;
    case DeviceEvent::Kind::StrayBytes:
      Say("ignored " + std::to_string(event.strayBytes.size()) +
          " byte(s) outside a frame: " + HexBytes(event.strayBytes));
      break;
    case DeviceEvent::Kind::DbComplete:
      Say("database complete");
      if (!options_.dbOut.empty()) Report(device_.WriteDb(options_.dbOut), options_.dbOut);
      break;
    case DeviceEvent::Kind::MmiReceived:
      Say("MMI settings received");
      if (!options_.mmiOut.empty()) Report(device_.WriteMmi(options_.mmiOut), options_.mmiOut);
      break;
  }
}

void EventPrinter::Say(const std::string& line) const {
  if (!options_.quiet) std::printf("%s\n", line.c_str());
}

void EventPrinter::Report(const Result<>& result, const std::string& path) const {
  if (result) {
    Say("wrote " + path);
  } else {
    std::fprintf(stderr, "brenvik-device: cannot write %s\n", result.error().c_str());
  }
}

}  // namespace brenvik::device
