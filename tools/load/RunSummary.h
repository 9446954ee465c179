#pragma once

#include <string>
#include <vector>

#include "tools/load/LoadOptions.h"

namespace brenvik::load {

// How one port's devices went, for the summary and the exit code.
struct PortTally {
  std::string given;     // the port as on the command line
  bool opened = true;    // false: the port would not open
  bool recorded = true;  // false: a record of its downloads could not be written
  int passed = 0;
  int failed = 0;
  int deviceExitCode = kCompleted;  // of its first failed device
  std::string failure;              // that device's final text

  // The port's exit code: that of its one device, or with --repeat 0 only
  // when every device passed and there was one.
  int ExitCode(RepeatMode repeat) const;
};

// The lines that end a run and its exit code, that of the first port in
// command-line order that failed.
struct RunSummary {
  struct Line {
    int port;  // the port's index, ProgressDisplay::kNoPort for the run's own line
    std::string text;
  };
  std::vector<Line> lines;
  int exitCode = kCompleted;
};

// Without --repeat: "4 ports: 3 passed, 1 failed (ttyUSB2: ERR: DB rx
// timeout! ...)" for several ports, nothing for one. With --repeat: "3
// devices: 2 passed, 1 failed", for several ports a line each and a total
// line "2 ports, 4 devices: ...".
RunSummary SummarizeRun(const std::vector<PortTally>& ports, RepeatMode repeat);

}  // namespace brenvik::load
