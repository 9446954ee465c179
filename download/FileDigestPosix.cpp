#include "download/FileDigest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "base/FileDescriptor.h"

namespace brenvik {

Result<std::string> DigestFile(const std::string& path) {
  // Non-blocking, so that opening a FIFO does not wait for a writer.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) return SystemError(path, errno);
  const int fd = file.Get();
  struct stat info {};
  if (::fstat(fd, &info) != 0) return SystemError(path, errno);
  if (!S_ISREG(info.st_mode)) return Error{path + ": not a regular file"};

  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> hash(EVP_MD_CTX_new(),
                                                                     &EVP_MD_CTX_free);
  if (!hash || EVP_DigestInit_ex(hash.get(), EVP_sha256(), nullptr) != 1) {
    return Error{path + ": SHA-256 is not available"};
  }
  unsigned char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError(path, errno);
    }
    EVP_DigestUpdate(hash.get(), buffer, static_cast<std::size_t>(n));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(hash.get(), digest, &size) != 1) {
    return Error{path + ": SHA-256 is not available"};
  }
  return LowerHex(digest, size);
}

}  // namespace brenvik
