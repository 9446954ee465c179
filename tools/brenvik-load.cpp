// brenvik-load: downloads a DB file, an MMI file or both to the device from
// the command line, for scripts and production lines. It runs the same
// download code as the window; tools/load/ holds its parts.

#include <cstdio>
#include <string>
#include <vector>

#include "serial/PortList.h"
#include "tools/ProcessStart.h"
#include "tools/StopSignalHandler.h"
#include "tools/load/LoadOptions.h"
#include "tools/load/Loader.h"
#include "tools/load/PortListLine.h"

namespace {

using brenvik::load::kCompleted;
using brenvik::load::kPortWillNotOpen;

// One line per port, its columns tab-separated so that a script can cut them.
int PrintPorts() {
  const brenvik::Result<std::vector<brenvik::PortInfo>> listed = brenvik::ListPorts();
  if (!listed) {
    std::fprintf(stderr, "brenvik-load: %s\n", listed.error().c_str());
    return kPortWillNotOpen;
  }
  if (listed->empty()) std::fprintf(stderr, "brenvik-load: no serial ports found\n");
  for (const brenvik::PortInfo& port : *listed) {
    std::fputs(brenvik::load::PortListLine(port).c_str(), stdout);
  }
  return kCompleted;
}

}  // namespace

int main(int argc, char** argv) {
  if (!brenvik::tools::PrepareStandardStreams()) return 1;
  std::vector<std::string> arguments = brenvik::tools::Utf8Arguments(argc, argv);
  std::vector<char*> pointers = brenvik::tools::ArgumentPointers(arguments);
  const brenvik::load::ParsedOptions parsed =
      brenvik::load::ParseLoadOptions(static_cast<int>(arguments.size()), pointers.data());
  if (parsed.exitCode) {
    std::fputs(parsed.text.c_str(), *parsed.exitCode == kCompleted ? stdout : stderr);
    return *parsed.exitCode;
  }
  if (parsed.options.listPorts) return PrintPorts();
  brenvik::tools::InstallStopHandlers();
  // A reader of the output that goes away must not end a download half done:
  // the write fails instead, and output goes off.
  brenvik::tools::IgnoreBrokenPipes();
  return brenvik::load::RunLoader(parsed.options, brenvik::tools::g_stopRequested);
}
