#include "base/StandardDescriptors.h"

#include <fcntl.h>
#include <io.h>

#include <cstdint>

namespace brenvik {
namespace {

// What _get_osfhandle answers for a descriptor with no handle behind it: -1
// when it is closed, -2 when a program without a console never had one.
bool HasHandle(int fd) {
  const intptr_t handle = ::_get_osfhandle(fd);
  return handle != -1 && handle != -2;
}

}  // namespace

bool GuardStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (HasHandle(fd)) continue;
    const int opened = ::_open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (opened < 0) return false;
    // The C runtime may give a lower free number, or keep a slot that is marked
    // open with no handle; _dup2 puts NUL exactly on this one.
    if (opened != fd) {
      const int duplicated = ::_dup2(opened, fd);
      ::_close(opened);
      if (duplicated != 0) return false;
    }
  }
  return true;
}

}  // namespace brenvik
