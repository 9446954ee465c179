// brenvik-load: downloads a DB file, an MMI file or both to the device from
// the command line, for scripts and production lines. It runs the same
// download code as the window; tools/load/ holds its parts.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "base/StandardDescriptors.h"
#include "serial/PortList.h"
#include "tools/StopSignalHandler.h"
#include "tools/load/LoadOptions.h"
#include "tools/load/Loader.h"

namespace {

using brenvik::load::kCompleted;
using brenvik::load::kPortWillNotOpen;

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

// One line per port, its columns tab-separated so that a script can cut them.
int PrintPorts() {
  const brenvik::Result<std::vector<brenvik::PortInfo>> listed = brenvik::ListPorts();
  if (!listed) {
    std::fprintf(stderr, "brenvik-load: %s\n", listed.error().c_str());
    return kPortWillNotOpen;
  }
  if (listed->empty()) std::fprintf(stderr, "brenvik-load: no serial ports found\n");
  for (const brenvik::PortInfo& port : *listed) {
    char ids[16] = "-";
    if (port.usbVendorId && port.usbProductId) {
      std::snprintf(ids, sizeof ids, "%04x:%04x", *port.usbVendorId, *port.usbProductId);
    }
    std::printf("%s\t%s\t%s\t%s\t%s\n", port.path.c_str(), OrDash(port.byIdPath).c_str(),
                OrDash(brenvik::PortDescription(port)).c_str(), ids,
                OrDash(port.serialNumber).c_str());
  }
  return kCompleted;
}

}  // namespace

int main(int argc, char** argv) {
  if (!brenvik::GuardStandardDescriptors()) return 1;
  // Lines reach a script or a pipe as they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const brenvik::load::ParsedOptions parsed = brenvik::load::ParseLoadOptions(argc, argv);
  if (parsed.exitCode) {
    std::fputs(parsed.text.c_str(), *parsed.exitCode == kCompleted ? stdout : stderr);
    return *parsed.exitCode;
  }
  if (parsed.options.listPorts) return PrintPorts();
  brenvik::tools::InstallStopHandlers();
  // A reader of the output that goes away must not end a download half done:
  // the write fails instead, and output goes off.
  std::signal(SIGPIPE, SIG_IGN);
  return brenvik::load::RunLoader(parsed.options, brenvik::tools::g_stopRequested);
}
