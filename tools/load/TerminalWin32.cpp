#include "tools/load/Terminal.h"

#include <io.h>
#include <windows.h>

#include <cstdlib>

namespace brenvik::load {
namespace {

// The console's mode before ours; put back at exit, as the console outlives
// the program.
HANDLE g_console = INVALID_HANDLE_VALUE;
DWORD g_consoleMode = 0;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

bool TerminalForBar(int fd) {
  const HANDLE handle = HandleOf(fd);
  DWORD mode = 0;
  // Fails for anything but a console; _isatty would take NUL for one.
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  if (!SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
  if (g_console == INVALID_HANDLE_VALUE) {
    g_console = handle;
    g_consoleMode = mode;
    std::atexit([] { SetConsoleMode(g_console, g_consoleMode); });
  }
  return true;
}

int TerminalColumns(int fd) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(HandleOf(fd), &info)) return 0;
  // The visible window, not the buffer, which may be far wider.
  return info.srWindow.Right - info.srWindow.Left + 1;
}

}  // namespace brenvik::load
