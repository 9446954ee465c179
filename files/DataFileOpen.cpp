#include "files/DataFileOpen.h"

#include "files/Console.h"

namespace brenvik {

Error DataFileOpenError(const std::string& path, int errnum) {
  ConsoleReportError("Error opening file", errnum);
  return SystemError(path + ": Error opening file", errnum);
}

Error NotARegularFile(const std::string& path) { return Error{path + ": not a regular file"}; }

}  // namespace brenvik
