// brenvik-load: downloads a DB or MMI file to the device from the command
// line, for scripts and production lines. It runs the same download code as
// the window and prints each status text as it changes.

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"
#include "res/Version.h"
#include "serial/PortList.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "tools/StopSignalHandler.h"

namespace {

using brenvik::tools::g_stopRequested;
using brenvik::tools::InstallStopHandlers;

enum ExitCode : int {
  kCompleted = 0,
  kUsage = 2,
  kBadFile = 3,
  kPortWillNotOpen = 4,
  kDownloadFailed = 5,
};

constexpr const char* kCompletedText = "Completed!";

constexpr const char* kUsageText =
    "Usage: brenvik-load --port PORT --db FILE [--trace]\n"
    "       brenvik-load --port PORT --mmi FILE [--trace]\n"
    "       brenvik-load --list-ports\n"
    "\n"
    "Downloads a DB file or an MMI file to the device on PORT (9600 8N1) and\n"
    "prints each status text of the download on its own line as it changes,\n"
    "ending with \"Completed!\" or an error text.\n"
    "\n"
    "PORT is COMn (COM1 is /dev/ttyS0, COM3 is /dev/ttyS2), the path of a\n"
    "serial device (/dev/ttyUSB0, or the pseudo-terminal that brenvik-device\n"
    "prints), or an adapter's stable name from /dev/serial/by-id, as a full\n"
    "path or the bare name (usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0); that\n"
    "name stays the same when the adapter comes back as another ttyUSB.\n"
    "\n"
    "Options:\n"
    "  --port PORT   the serial port the device is on\n"
    "  --db FILE     download this DB file\n"
    "  --mmi FILE    download this MMI file\n"
    "  --trace       echo every frame in hex on standard output\n"
    "  --list-ports  print the serial ports present, one a line, and exit:\n"
    "                path, by-id name, description, USB VID:PID, serial\n"
    "                number, separated by tabs, \"-\" where unknown\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Ctrl-C (or SIGTERM) stops a running download and releases the port.\n"
    "\n"
    "Exit codes:\n"
    "  0  the download ended with \"Completed!\"\n"
    "  2  wrong usage\n"
    "  3  the file was rejected by its reader (the reason is on standard error)\n"
    "  4  the port would not open (the cause is on standard error), or the\n"
    "     ports could not be listed\n"
    "  5  the download failed or was stopped\n";

struct Options {
  bool listPorts = false;
  std::string port;
  std::string file;
  brenvik::DownloadKind kind = brenvik::DownloadKind::Db;
  bool trace = false;
};

int UsageError(const char* message) {
  std::fprintf(stderr, "brenvik-load: %s\nTry 'brenvik-load --help'.\n", message);
  return kUsage;
}

// Returns the exit code when the program should end here (help, bad usage).
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  bool haveDb = false;
  bool haveMmi = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return false;
      out = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsageText, stdout);
      return kCompleted;
    } else if (arg == "--list-ports") {
      options.listPorts = true;
    } else if (arg == "--version") {
      std::printf("brenvik-load (Brenvik) %s\n", brenvik::kVersion);
      return kCompleted;
    } else if (arg == "--port") {
      if (!value(options.port)) {
        return UsageError("--port needs a port: COMn, a device path or a by-id name");
      }
    } else if (arg == "--db") {
      if (!value(options.file)) return UsageError("--db needs a file");
      options.kind = brenvik::DownloadKind::Db;
      haveDb = true;
    } else if (arg == "--mmi") {
      if (!value(options.file)) return UsageError("--mmi needs a file");
      options.kind = brenvik::DownloadKind::Mmi;
      haveMmi = true;
    } else if (arg == "--trace") {
      options.trace = true;
    } else {
      return UsageError(("unknown argument " + arg).c_str());
    }
  }
  if (options.listPorts) return std::nullopt;
  if (options.port.empty()) return UsageError("no --port given");
  if (haveDb == haveMmi) return UsageError("give exactly one of --db FILE and --mmi FILE");
  return std::nullopt;
}

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

// One line per port, its columns tab-separated so that a script can cut them.
int PrintPorts() {
  const brenvik::PortListResult listed = brenvik::ListPorts();
  if (!listed) {
    std::fprintf(stderr, "brenvik-load: %s\n", listed.error.c_str());
    return kPortWillNotOpen;
  }
  if (listed.ports.empty()) std::fprintf(stderr, "brenvik-load: no serial ports found\n");
  for (const brenvik::PortInfo& port : listed.ports) {
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
  // Status lines reach a script or a pipe as they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options options;
  if (const std::optional<int> code = ParseOptions(argc, argv, options)) return *code;
  if (options.listPorts) return PrintPorts();
  InstallStopHandlers();

  // About 300 KB: too much for the stack of a small program's main.
  auto ctx = std::make_unique<brenvik::DownloadContext>();
  ctx->traceFrames = options.trace;
  ctx->showTxError = [](const char* text) { std::fprintf(stderr, "%s\n", text); };

  const bool isDb = options.kind == brenvik::DownloadKind::Db;
  const brenvik::FileReadResult read =
      isDb ? brenvik::ReadDbFile(ctx->dbTable, options.file.c_str())
           : brenvik::ReadMmiFile(ctx->mmiBlock, options.file.c_str());
  if (!read) {
    std::fprintf(stderr, "brenvik-load: %s\n", read.error.c_str());
    return kBadFile;
  }

  brenvik::SerialPort port;
  const brenvik::OpenResult opened = port.OpenPort(brenvik::ParsePortName(options.port));
  if (!opened) {
    std::fprintf(stderr, "brenvik-load: cannot open port %s: %s\n", options.port.c_str(),
                 opened.cause.c_str());
    return kPortWillNotOpen;
  }

  brenvik::DownloadRunner runner;
  if (g_stopRequested) {
    port.Close();
    return kDownloadFailed;
  }
  if (!runner.Start(*ctx, port, options.kind)) {
    std::fprintf(stderr, "brenvik-load: the download could not be started\n");
    port.Close();
    return kDownloadFailed;
  }

  const brenvik::StatusText& status = isDb ? ctx->dbStatusText : ctx->mmiStatusText;
  char shown[brenvik::kStatusTextSize] = {};
  char current[brenvik::kStatusTextSize] = {};
  auto printIfChanged = [&] {
    status.CopyTo(current);
    if (std::strcmp(current, shown) != 0) {
      std::memcpy(shown, current, sizeof shown);
      std::printf("%s\n", shown);
    }
  };
  while (runner.Running()) {
    if (g_stopRequested) {
      // Stop joins the worker, which has written its final text by then.
      runner.Stop();
      break;
    }
    printIfChanged();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  runner.Join();
  printIfChanged();
  // The status text says only that the device stopped answering; this says why.
  if (port.WentAway()) {
    std::fprintf(stderr, "brenvik-load: the port went away: %s\n", port.WentAwayReason().c_str());
  }
  port.Close();
  return std::strcmp(shown, kCompletedText) == 0 ? kCompleted : kDownloadFailed;
}
