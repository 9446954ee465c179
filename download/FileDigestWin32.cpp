#include "download/FileDigest.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include "base/Utf8Win32.h"
#include "download/WindowsErrorWin32.h"

namespace brenvik {
namespace {

// Windows' own SHA-256, one hash at a time.
class Sha256 {
 public:
  Sha256() {
    if (BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) {
      algorithm_ = nullptr;
      return;
    }
    if (BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0) < 0) hash_ = nullptr;
  }
  ~Sha256() {
    if (hash_ != nullptr) BCryptDestroyHash(hash_);
    if (algorithm_ != nullptr) BCryptCloseAlgorithmProvider(algorithm_, 0);
  }
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  bool Ready() const { return hash_ != nullptr; }
  bool Add(unsigned char* bytes, unsigned long size) {
    return BCryptHashData(hash_, bytes, size, 0) >= 0;
  }
  // The hex digest; empty when the hash fails.
  std::string Finish() {
    unsigned char digest[32];
    if (BCryptFinishHash(hash_, digest, sizeof digest, 0) < 0) return {};
    return LowerHex(digest, sizeof digest);
  }

 private:
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
};

}  // namespace

Result<std::string> DigestFile(const std::string& path) {
  // Shared for writing too, as on Linux: an editor still writing the file
  // shows as a change between the two hashes, not as a refusal. Backup
  // semantics let a folder open, to be refused below in the Linux words.
  const UniqueHandle file = OwnHandle(
      CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return WindowsError(path, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Error{path + ": not a regular file"};
  }

  Sha256 hash;
  if (!hash.Ready()) return Error{path + ": SHA-256 is not available"};
  unsigned char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
      return WindowsError(path, GetLastError());
    }
    if (n == 0) break;
    if (!hash.Add(buffer, n)) return Error{path + ": SHA-256 is not available"};
  }
  std::string hex = hash.Finish();
  if (hex.empty()) return Error{path + ": SHA-256 is not available"};
  return hex;
}

}  // namespace brenvik
