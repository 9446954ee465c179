#include "files/FileWarnings.h"

#include "files/Console.h"

namespace brenvik {

void PrintWarnings(const FileWarnings& warnings) {
  for (const std::string& warning : warnings) ConsoleWarn(warning.c_str());
}

}  // namespace brenvik
