#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "base/Result.h"

namespace brenvik {

// The SHA-256 of the whole file at `path`, as 64 lowercase hex digits; fails
// with "PATH: cause". Refuses anything but a regular file without waiting on
// it (a FIFO would block), as the readers do.
Result<std::string> DigestFile(const std::string& path);

// `size` bytes as lowercase hex digits, two a byte.
std::string LowerHex(const unsigned char* bytes, std::size_t size);

// Runs `read` on the file at `path` and returns the SHA-256 of the very bytes
// it read: the file is hashed before and after, and only the same hash twice
// names what was read. Fails with read's own error, a hash's error, or
// "PATH: the file changed while it was read; ..." when an editor or a copy
// was still writing it.
Result<std::string> DigestOfRead(const std::string& path, const std::function<Result<>()>& read);

}  // namespace brenvik
