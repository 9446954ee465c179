#include "tools/ProcessStart.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "base/Utf8Win32.h"

namespace brenvik::tools {
namespace {

// The console's code page before ours; put back at exit, as the console
// outlives the program and its shell keeps the page.
UINT g_consoleOutputCp = 0;

}  // namespace

bool PrepareStandardStreams() {
  // Lines reach a script or a pipe as they happen; the runtime's _IOLBF is
  // full buffering, so none at all.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  g_consoleOutputCp = GetConsoleOutputCP();
  if (g_consoleOutputCp != 0 && g_consoleOutputCp != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    std::atexit([] { SetConsoleOutputCP(g_consoleOutputCp); });
  }
  return true;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

void IgnoreBrokenPipes() {}

}  // namespace brenvik::tools
