#pragma once

#include <string>

namespace brenvik::load {

// The SHA-256 of a file's bytes, or why there is none.
struct FileDigest {
  std::string sha256;  // 64 lowercase hex digits; empty on failure
  std::string error;   // "PATH: cause" on failure
  explicit operator bool() const { return error.empty(); }
};

// Hashes the whole file at `path`. Refuses anything but a regular file
// without waiting on it (a FIFO would block), as the readers do.
FileDigest DigestFile(const std::string& path);

}  // namespace brenvik::load
