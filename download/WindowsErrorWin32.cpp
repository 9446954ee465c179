#include "download/WindowsErrorWin32.h"

#include <windows.h>

#include <cerrno>

#include "serial/OpenFailure.h"

namespace brenvik {

Error WindowsError(const std::string& what, unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return SystemError(what, ENOENT);
    case ERROR_ACCESS_DENIED:
      return SystemError(what, EACCES);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Error{what + ": in use by another program"};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return SystemError(what, ENOSPC);
    default:
      break;
  }
  return Error{what + ": " + SystemMessage(static_cast<int>(error))};
}

void HandleCloser::operator()(void* handle) const { CloseHandle(handle); }

UniqueHandle OwnHandle(void* handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace brenvik
