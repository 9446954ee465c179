#include "tools/OptionErrors.h"

namespace brenvik::tools {
namespace {

// The long option that getopt_long reports by its value; none for 0 and
// for a letter that is no option.
const option* LongOptionWithValue(const option* longOptions, int value) {
  for (const option* known = longOptions; known->name != nullptr; ++known) {
    if (value != 0 && known->val == value) return known;
  }
  return nullptr;
}

// Whether more than one long option starts with `name`; getopt_long refuses
// an abbreviation that could be either.
bool IsAmbiguous(const option* longOptions, std::string_view name) {
  int matches = 0;
  for (const option* known = longOptions; known->name != nullptr; ++known) {
    if (std::string_view(known->name).substr(0, name.size()) == name) ++matches;
  }
  return matches > 1;
}

}  // namespace

std::string OptionErrorText(const option* longOptions, int result, int refused,
                            std::string_view argument, std::string_view missingValue) {
  const option* known = LongOptionWithValue(longOptions, refused);
  if (known != nullptr && known->has_arg == no_argument) {
    return std::string("option '--") + known->name + "' takes no value";
  }
  if (result == ':') return std::string(missingValue);
  if (refused != 0) return std::string("unknown option '-") + char(refused) + "'";
  if (argument.substr(0, 2) != "--") return "unknown option '" + std::string(argument) + "'";
  const std::string_view name = argument.substr(2, argument.find('=') - 2);
  if (IsAmbiguous(longOptions, name)) return "option '--" + std::string(name) + "' is ambiguous";
  return "unknown option '--" + std::string(name) + "'";
}

}  // namespace brenvik::tools
