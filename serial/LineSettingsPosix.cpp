// POSIX only (termios).

#include "serial/LineSettingsPosix.h"

#include <termios.h>

#include <cerrno>

namespace brenvik {
namespace {

termios RawLineSettings(termios t) {
  cfmakeraw(&t);
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
#ifdef IUCLC
  t.c_iflag &= ~IUCLC;
#endif
  t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return t;
}

bool SettingsTook(const termios& got) {
  constexpr tcflag_t kInputOff =
      IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | BRKINT | INPCK;
  constexpr tcflag_t kLocalOff = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
  constexpr tcflag_t kControlChecked = CSIZE | PARENB | CSTOPB | CLOCAL | CREAD | CRTSCTS;
  return cfgetispeed(&got) == B9600 && cfgetospeed(&got) == B9600 &&
         (got.c_cflag & kControlChecked) == (CS8 | CLOCAL | CREAD) &&
         (got.c_iflag & kInputOff) == 0 && (got.c_oflag & OPOST) == 0 &&
         (got.c_lflag & kLocalOff) == 0 && got.c_cc[VMIN] == 0 && got.c_cc[VTIME] == 0;
}

}  // namespace

int ApplyLineSettings(int fd) {
  termios current{};
  if (::tcgetattr(fd, &current) != 0) return errno;
  const termios wanted = RawLineSettings(current);
  termios applied{};
  if (::tcsetattr(fd, TCSANOW, &wanted) != 0 || ::tcgetattr(fd, &applied) != 0 ||
      !SettingsTook(applied)) {
    return kLineSettingsRefused;
  }
  return 0;
}

}  // namespace brenvik
