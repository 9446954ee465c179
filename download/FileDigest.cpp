#include "download/FileDigest.h"

#include <cstdio>

namespace brenvik {

std::string LowerHex(const unsigned char* bytes, std::size_t size) {
  std::string hex;
  char pair[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    hex += pair;
  }
  return hex;
}

Result<std::string> DigestOfRead(const std::string& path, const std::function<Result<>()>& read) {
  const Result<std::string> before = DigestFile(path);
  if (const Result<> done = read(); !done) return Error{done.error()};
  const Result<std::string> after = DigestFile(path);
  if (!before) return Error{before.error()};
  if (!after) return Error{after.error()};
  if (*before != *after) {
    return Error{path +
                 ": the file changed while it was read; load it once it is written completely"};
  }
  return *before;
}

}  // namespace brenvik
