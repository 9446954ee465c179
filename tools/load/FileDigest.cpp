#include "tools/load/FileDigest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace brenvik::load {
namespace {

// A file open for reading, closed with the object. Non-blocking, so that
// opening a FIFO does not wait for a writer.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int Fd() const { return fd_; }

 private:
  int fd_;
};

FileDigest Failure(const std::string& path, const std::string& cause) {
  return {{}, path + ": " + cause};
}

}  // namespace

FileDigest DigestFile(const std::string& path) {
  const ReadOnlyFile file(path);
  const int fd = file.Fd();
  if (fd < 0) return Failure(path, std::generic_category().message(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Failure(path, std::generic_category().message(errno));
  if (!S_ISREG(info.st_mode)) return Failure(path, "not a regular file");

  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> hash(EVP_MD_CTX_new(),
                                                                     &EVP_MD_CTX_free);
  if (!hash || EVP_DigestInit_ex(hash.get(), EVP_sha256(), nullptr) != 1) {
    return Failure(path, "SHA-256 is not available");
  }
  unsigned char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failure(path, std::generic_category().message(errno));
    }
    EVP_DigestUpdate(hash.get(), buffer, static_cast<std::size_t>(n));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(hash.get(), digest, &size) != 1) {
    return Failure(path, "SHA-256 is not available");
  }
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return {hex, {}};
}

}  // namespace brenvik::load
