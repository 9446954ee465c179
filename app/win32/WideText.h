#pragma once

#include <string>
#include <string_view>

namespace brenvik::app {

// The window keeps its texts in UTF-8, as the rest of the program does, and
// speaks UTF-16 only to the wide Win32 calls at its edges.

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view wide);

}  // namespace brenvik::app
