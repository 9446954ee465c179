#include "tools/device/PtyLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace brenvik::device {

Result<> MakePtyLink(const std::string& link, const std::string& target) {
  struct stat info {};
  if (::lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    return Error{link + " exists and is not a symbolic link; not replacing it"};
  }
  const std::string temporary = link + ".new-" + std::to_string(::getpid());
  (void)::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
    const std::string cause = std::generic_category().message(errno);
    (void)::unlink(temporary.c_str());
    return Error{"cannot make the link " + link + ": " + cause};
  }
  return {};
}

void RemovePtyLink(const std::string& link, const std::string& target) {
  std::error_code error;
  if (std::filesystem::read_symlink(link, error).string() == target) (void)::unlink(link.c_str());
}

}  // namespace brenvik::device
