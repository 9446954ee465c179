#include "files/DataFileOpen.h"

#include <system_error>

namespace brenvik {

Error DataFileOpenError(const std::string& path, int errnum, ConsoleChannel& console) {
  console.Report("Error opening file: " + std::generic_category().message(errnum));
  return SystemError(path + ": Error opening file", errnum);
}

Error NotARegularFile(const std::string& path) { return Error{path + ": not a regular file"}; }

}  // namespace brenvik
