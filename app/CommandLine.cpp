#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "res/Version.h"

namespace brenvik::app {
namespace {

constexpr const char* kUsage =
    "Usage: brenvik [--no-trace] [Qt options]\n"
    "\n"
    "Opens the Brenvik window, which loads a DB file and an MMI file into the\n"
    "device on a serial port (9600 8N1): pick the port (COM1 is /dev/ttyS0; the\n"
    "ports present, USB adapters among them, are listed below COM48 by name), or\n"
    "type a device path such as /dev/ttyUSB0 or a /dev/serial/by-id name;\n"
    "Connect, select a file and download it.\n"
    "\n"
    "Started from a terminal, the window echoes every frame it sends in hex on\n"
    "standard output; the desktop menu starts it with --no-trace.\n"
    "\n"
    "Options:\n"
    "  --no-trace    do not echo the frames on standard output\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Qt's own options, such as -platform offscreen or -style fusion, are passed\n"
    "on to Qt.\n";

enum class QtValue { kNone, kNext, kNextOrEquals };

struct QtOption {
  std::string_view name;
  QtValue value;
};

// Qt's options for every widget program, without their leading dash; Qt takes
// each with one dash or two, and its value from the next argument.
constexpr std::array kQtOptions = {
    QtOption{"platform", QtValue::kNext},        QtOption{"platformpluginpath", QtValue::kNext},
    QtOption{"platformtheme", QtValue::kNext},   QtOption{"plugin", QtValue::kNext},
    QtOption{"qwindowgeometry", QtValue::kNext}, QtOption{"geometry", QtValue::kNext},
    QtOption{"qwindowtitle", QtValue::kNext},    QtOption{"title", QtValue::kNext},
    QtOption{"qwindowicon", QtValue::kNext},     QtOption{"icon", QtValue::kNext},
    QtOption{"session", QtValue::kNext},         QtOption{"display", QtValue::kNext},
    QtOption{"style", QtValue::kNextOrEquals},   QtOption{"stylesheet", QtValue::kNextOrEquals},
    QtOption{"reverse", QtValue::kNone},         QtOption{"widgetcount", QtValue::kNone},
    QtOption{"testability", QtValue::kNone},     QtOption{"nograb", QtValue::kNone},
    QtOption{"dograb", QtValue::kNone},          QtOption{"sync", QtValue::kNone},
};

const QtOption* FindQtOption(std::string_view name) {
  const auto* found = std::find_if(kQtOptions.begin(), kQtOptions.end(),
                                   [name](const QtOption& option) { return option.name == name; });
  return found == kQtOptions.end() ? nullptr : found;
}

CommandLine Finish(int exitCode, std::string message) {
  CommandLine result;
  result.exitCode = exitCode;
  result.message = std::move(message);
  return result;
}

CommandLine UsageError(std::string_view what) {
  return Finish(2, "brenvik: " + std::string(what) + "\nTry 'brenvik --help'.\n");
}

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> args) {
  CommandLine result;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") return Finish(0, kUsage);
    if (arg == "--version") return Finish(0, std::string("brenvik (Brenvik) ") + kVersion + "\n");
    if (arg == "--no-trace") {
      result.traceFrames = false;
      continue;
    }
    if (!arg.starts_with('-') || arg == "-") {
      return UsageError("unexpected argument " + std::string(arg));
    }
    const bool twoDashes = arg.starts_with("--");
    std::string_view name = arg.substr(twoDashes ? 2 : 1);
    const std::size_t equals = name.find('=');
    name = name.substr(0, equals);
    const QtOption* option = FindQtOption(name);
    const bool fits = option != nullptr &&
                      (equals == std::string_view::npos || option->value == QtValue::kNextOrEquals);
    if (!fits) {
      if (twoDashes) return UsageError("unknown option " + std::string(arg));
      continue;  // Qt passes over single-dash options it does not know, and so do we
    }
    if (option->value != QtValue::kNone && equals == std::string_view::npos) ++i;
  }
  return result;
}

}  // namespace brenvik::app
