#include "app/win32/Win32CommandLine.h"

#include <windows.h>

#include <shellapi.h>

#include "base/Utf8Win32.h"

namespace brenvik::app {
namespace {

constexpr const char* kUsage =
    "Usage: brenvik [--trace | --no-trace]\n"
    "\n"
    "Opens the Brenvik window, which loads a DB file and an MMI file into the\n"
    "device on a serial port (9600 8N1): pick the port (COM1 to COM48; the\n"
    "ports present, USB adapters among them, are listed below COM48 by name),\n"
    "or type its name, such as COM12; Connect, select a file and download it.\n"
    "\n"
    "Options:\n"
    "  --trace       echo every frame sent in hex on standard output: where it\n"
    "                is redirected, else on the console of the program that\n"
    "                started the window (Command Prompt, PowerShell)\n"
    "  --no-trace    do not echo the frames (the default)\n"
    "  --job JOB     start with the files the job file JOB approves, read and\n"
    "                checked, and the Select buttons disabled\n"
    "  --help        show this text\n"
    "  --version     show the version\n";

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> args) {
  return ParseCommandLine(args,
                          {.usage = kUsage, .traceByDefault = false, .toolkitOption = nullptr});
}

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  if (wide == nullptr) return args;
  args.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  LocalFree(static_cast<HLOCAL>(wide));
  return args;
}

}  // namespace brenvik::app
