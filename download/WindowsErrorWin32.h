#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "base/Result.h"

namespace brenvik {

// "WHAT: cause" for a Windows error code (GetLastError), in the same words
// as on Linux where there is one ("No such file or directory", "Permission
// denied"), else in the system's.
Error WindowsError(const std::string& what, unsigned long error);

// Owns a Windows file handle and closes it when it goes.
struct HandleCloser {
  void operator()(void* handle) const;
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The handle CreateFile returned, or none for INVALID_HANDLE_VALUE.
UniqueHandle OwnHandle(void* handle);

}  // namespace brenvik
