#pragma once

#include <string>

#include "base/Result.h"

namespace brenvik::load {

// The SHA-256 of the whole file at `path`, as 64 lowercase hex digits; fails
// with "PATH: cause". Refuses anything but a regular file without waiting on
// it (a FIFO would block), as the readers do.
Result<std::string> DigestFile(const std::string& path);

}  // namespace brenvik::load
