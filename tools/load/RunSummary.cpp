#include "tools/load/RunSummary.h"

#include "tools/load/ProgressDisplay.h"

namespace brenvik::load {
namespace {

std::string DevicesSummary(int passed, int failed) {
  const int devices = passed + failed;
  return std::to_string(devices) + (devices == 1 ? " device: " : " devices: ") +
         std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
}

std::string PortsSummary(const std::vector<PortTally>& ports, RepeatMode repeat) {
  int passed = 0;
  std::string failures;
  for (const PortTally& port : ports) {
    if (port.ExitCode(repeat) == kCompleted) {
      ++passed;
      continue;
    }
    const std::string name = PortShortName(port.given);
    const std::string why = port.recorded ? port.failure : "its record could not be written";
    failures += failures.empty() ? " (" : "; ";
    failures += name;
    failures += ": ";
    failures += why;
  }
  if (!failures.empty()) failures += ")";
  return std::to_string(ports.size()) + " ports: " + std::to_string(passed) + " passed, " +
         std::to_string(static_cast<int>(ports.size()) - passed) + " failed" + failures;
}

}  // namespace

int PortTally::ExitCode(RepeatMode repeat) const {
  if (!opened) return kPortWillNotOpen;
  if (!recorded) return kUsage;
  if (repeat == RepeatMode::Off) return deviceExitCode;
  return failed == 0 && passed > 0 ? kCompleted : kDownloadFailed;
}

RunSummary SummarizeRun(const std::vector<PortTally>& ports, RepeatMode repeat) {
  RunSummary summary;
  for (const PortTally& port : ports) {
    if (summary.exitCode == kCompleted) summary.exitCode = port.ExitCode(repeat);
  }
  const bool several = ports.size() > 1;
  if (repeat == RepeatMode::Off) {
    if (several) summary.lines.push_back({ProgressDisplay::kNoPort, PortsSummary(ports, repeat)});
    return summary;
  }
  int passed = 0;
  int failed = 0;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    passed += ports[i].passed;
    failed += ports[i].failed;
    if (several) {
      summary.lines.push_back(
          {static_cast<int>(i), DevicesSummary(ports[i].passed, ports[i].failed)});
    }
  }
  summary.lines.push_back(
      {ProgressDisplay::kNoPort,
       several ? std::to_string(ports.size()) + " ports, " + DevicesSummary(passed, failed)
               : DevicesSummary(passed, failed)});
  return summary;
}

}  // namespace brenvik::load
