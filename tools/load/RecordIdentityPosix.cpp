#include "tools/load/RecordIdentity.h"

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <random>

namespace brenvik::load {

std::string RandomUuid() {
  std::array<unsigned char, 16> bytes{};
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t read = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
    if (read > 0) {
      got += static_cast<std::size_t>(read);
    } else if (errno != EINTR) {
      break;
    }
  }
  // A kernel without getrandom: the library's source reads /dev/urandom.
  std::random_device random;
  for (; got < bytes.size(); ++got) bytes[got] = static_cast<unsigned char>(random());
  return UuidV4Text(bytes);
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = "";
  if (::gethostname(name, sizeof name) != 0) return {};
  name[HOST_NAME_MAX] = '\0';
  return name;
}

}  // namespace brenvik::load
