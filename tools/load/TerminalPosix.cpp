#include "tools/load/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace brenvik::load {

bool TerminalForBar(int fd) { return ::isatty(fd) == 1; }

int TerminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0) return size.ws_col;
  return 0;
}

}  // namespace brenvik::load
