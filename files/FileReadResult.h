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
  // What the device will get other than the file holds, one line each
  // ("path:line: field N (name) ..."), also written to standard error.
  std::vector<std::string> warnings;

  explicit operator bool() const { return ok; }

  static FileReadResult Failure(std::string error) {
    FileReadResult result;
    result.error = std::move(error);
    return result;
  }
  // A read that succeeded; its warnings also go to standard error, one line
  // each, so that a script sees them as well as the window.
  static FileReadResult Success(std::vector<std::string> warnings);
};

}  // namespace brenvik
