#pragma once

#include <string>
#include <string_view>

namespace brenvik {

// Windows speaks UTF-16 in its file names, command line and window texts;
// the program holds all text in UTF-8. Bytes that are not valid UTF-8 (or
// UTF-16) become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace brenvik
