#include "tools/load/PortWatch.h"

#include <io.h>
#include <windows.h>

#include <chrono>
#include <string_view>

#include "base/Utf8Win32.h"

namespace brenvik::load {
namespace {

constexpr auto kLookInterval = std::chrono::milliseconds(200);
constexpr DWORD kLookMs = static_cast<DWORD>(kLookInterval.count());

// Enter pressed on the console; other keys and events are passed over.
bool WaitForEnterKey(HANDLE console, const std::atomic<bool>& stop) {
  while (!stop) {
    if (WaitForSingleObject(console, kLookMs) != WAIT_OBJECT_0) continue;
    INPUT_RECORD events[16];
    DWORD count = 0;
    if (!ReadConsoleInputW(console, events, 16, &count)) return false;
    for (DWORD i = 0; i < count; ++i) {
      const KEY_EVENT_RECORD& key = events[i].Event.KeyEvent;
      if (events[i].EventType == KEY_EVENT && key.bKeyDown && key.wVirtualKeyCode == VK_RETURN) {
        return true;
      }
    }
  }
  return false;
}

// A line from a pipe, looked at every 200 ms so that a stop is seen.
bool WaitForLineOnPipe(HANDLE pipe, const std::atomic<bool>& stop) {
  while (!stop) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) {
      Sleep(kLookMs);
      continue;
    }
    char byte = 0;
    DWORD n = 0;
    if (!ReadFile(pipe, &byte, 1, &n, nullptr) || n == 0) return false;
    if (byte == '\n') return true;
  }
  return false;
}

// "COM3" for "\\.\COM3": the name without the device namespace.
std::string_view DosName(std::string_view path) {
  constexpr std::string_view kDeviceNamespace = "\\\\.\\";
  if (path.substr(0, kDeviceNamespace.size()) == kDeviceNamespace) {
    path.remove_prefix(kDeviceNamespace.size());
  }
  return path;
}

}  // namespace

std::string PortLogName(const std::string& path) { return std::string(DosName(path)); }

std::string PathTarget(const std::string& path) {
  const std::string_view name = DosName(path);
  if (name.empty()) return {};
  wchar_t target[1024];
  if (QueryDosDeviceW(WideFromUtf8(name).c_str(), target, 1024) == 0) return {};
  return Utf8FromWide(target);
}

void DiscardTypedInput(int fd) {
  const auto input = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  DWORD mode = 0;
  if (input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode)) FlushConsoleInputBuffer(input);
}

bool WaitForEnter(int fd, const std::atomic<bool>& stop) {
  const auto input = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (input == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (GetConsoleMode(input, &mode)) return WaitForEnterKey(input, stop);
  if (GetFileType(input) == FILE_TYPE_PIPE) return WaitForLineOnPipe(input, stop);
  // A file or NUL: a read never waits.
  while (!stop) {
    char byte = 0;
    DWORD n = 0;
    if (!ReadFile(input, &byte, 1, &n, nullptr) || n == 0) return false;
    if (byte == '\n') return true;
  }
  return false;
}

}  // namespace brenvik::load
