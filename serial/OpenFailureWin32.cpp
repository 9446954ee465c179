// Windows: why a COM port would not open, from GetLastError.

#include "serial/OpenFailure.h"

#include <windows.h>

#include "serial/PortName.h"

namespace brenvik {

std::string OpenFailureCause(const std::string& path, int error) {
  const std::string port = DisplayPortName(path);
  switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return port +
             ": no such port; check that the adapter is plugged in and that Device Manager "
             "lists this port under Ports (COM & LPT)";
    // The open is exclusive: a port another program holds answers either.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return port + ": in use by another program; close it and try again";
    // What a handle that is no comm device answers to GetCommState.
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_SUPPORTED:
      return port + ": not a serial device; choose the port the device is on";
    default:
      return port + ": " + SystemMessage(error);
  }
}

std::string SystemMessage(int error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) ::LocalFree(text);
  // The system's messages end in ".\r\n".
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(error) : message;
}

}  // namespace brenvik
