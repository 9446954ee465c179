#pragma once

#include <getopt.h>

#include <string>
#include <string_view>

namespace brenvik::tools {

// What went wrong with an option getopt_long refused, for a person:
// "option '--trace' takes no value", "unknown option '--fast'", "unknown
// option '-x'", "option '--p' is ambiguous", or `missingValue` for an option
// given without its value. `longOptions` ends with a zeroed entry; `result`
// is getopt_long's '?' or ':', `refused` its optopt and `argument` the
// command-line word it was reading. glibc reports a long option that takes
// no value given one with '?', mingw-w64 with ':', both with the option's
// value in optopt; an unknown or ambiguous long option comes with optopt 0,
// so its name is taken from the word.
std::string OptionErrorText(const option* longOptions, int result, int refused,
                            std::string_view argument, std::string_view missingValue);

}  // namespace brenvik::tools
