#include "app/qt/QtCommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

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
    "  --port PORT   start with PORT in the port field, e.g. /dev/pts/3\n"
    "  --job JOB     start with the files the job file JOB approves, read and\n"
    "                checked, and the Select buttons disabled\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Qt's own options, such as -platform offscreen or -style fusion, are passed\n"
    "on to Qt.\n"
    "\n"
    "Exit status:\n"
    "  0  the window was closed\n"
    "  1  no desktop session was found (no display)\n"
    "  2  wrong usage\n";

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

std::size_t QtOptionLength(std::span<const char* const> args, std::size_t i) {
  const std::string_view arg = args[i];
  const bool twoDashes = arg.starts_with("--");
  std::string_view name = arg.substr(twoDashes ? 2 : 1);
  const std::size_t equals = name.find('=');
  name = name.substr(0, equals);
  const QtOption* option = FindQtOption(name);
  const bool fits = option != nullptr &&
                    (equals == std::string_view::npos || option->value == QtValue::kNextOrEquals);
  // Qt passes over single-dash options it does not know, and so do we.
  if (!fits) return twoDashes ? 0 : 1;
  return option->value != QtValue::kNone && equals == std::string_view::npos ? 2 : 1;
}

// The window's own options and Qt's; --port takes its value after an equals
// sign too.
std::size_t ToolkitOption(std::span<const char* const> args, std::size_t i,
                          CommandLine& commandLine) {
  const std::string_view arg = args[i];
  if (arg == "--port") {
    if (i + 1 < args.size()) commandLine.port = args[i + 1];
    return 2;
  }
  if (arg.starts_with("--port=")) {
    commandLine.port = arg.substr(std::string_view("--port=").size());
    return 1;
  }
  const std::size_t taken = QtOptionLength(args, i);
  const std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
  if (taken == 2 && (name == "platform" || name == "display")) commandLine.displayGiven = true;
  return taken;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> args, bool displayNamed) {
  CommandLine commandLine = ParseCommandLine(
      args, {.usage = kUsage, .traceByDefault = true, .toolkitOption = ToolkitOption});
  RequireDisplay(commandLine, displayNamed);
  return commandLine;
}

}  // namespace brenvik::app
