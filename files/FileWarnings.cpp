#include "files/FileWarnings.h"

namespace brenvik {

void PrintWarnings(const FileWarnings& warnings, ConsoleChannel& console) {
  for (const std::string& warning : warnings) console.Report(warning);
}

}  // namespace brenvik
