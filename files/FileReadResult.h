#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brenvik {

// What a file reader reports. On failure the image it was asked to fill is
// left exactly as it was before the call.
struct FileReadResult {
  bool ok = false;
  // On failure: the file, the line (where there is one) and the problem, as
  // "path:line: problem" or "path: problem".
  std::string error;
  // Texts cut to their field, one line each, also written to standard error.
  std::vector<std::string> warnings;

  explicit operator bool() const { return ok; }

  static FileReadResult Failure(std::string error) {
    FileReadResult result;
    result.error = std::move(error);
    return result;
  }
};

}  // namespace brenvik
