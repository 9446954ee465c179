#pragma once

#include <string>
#include <string_view>

namespace brenvik {

// Windows' calls take UTF-16; the program keeps every text and path in UTF-8.
// Invalid sequences become U+FFFD, as MultiByteToWideChar makes them.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace brenvik
