#include "files/FileReadResult.h"

#include "files/Console.h"

namespace brenvik {

FileReadResult FileReadResult::Success(std::vector<std::string> warnings) {
  for (const std::string& warning : warnings) ConsoleWarn(warning.c_str());
  FileReadResult result;
  result.ok = true;
  result.warnings = std::move(warnings);
  return result;
}

}  // namespace brenvik
