#include "app/win32/Win32Console.h"

#include <windows.h>

#include <cstdio>

namespace brenvik::app {
namespace {

bool Reaches(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool ReachConsole() {
  const bool outRedirected = Reaches(STD_OUTPUT_HANDLE);
  const bool errRedirected = Reaches(STD_ERROR_HANDLE);
  if (outRedirected && errRedirected) return true;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return outRedirected;
  // The C library took its streams from the handles at start-up, when there
  // was no console; those not redirected are opened on it now.
  if (!outRedirected && std::freopen("CONOUT$", "w", stdout) == nullptr) return false;
  if (!errRedirected) static_cast<void>(std::freopen("CONOUT$", "w", stderr));
  return true;
}

}  // namespace brenvik::app
