#include "base/Utf8Win32.h"

#include <gtest/gtest.h>

#include <string>

namespace brenvik {
namespace {

TEST(Utf8Win32, TextCrossesToUtf16AndBackAndWhatIsNotTextBecomesAReplacementCharacter) {
  enum Way { kBoth, kToWide, kToUtf8 };
  const struct {
    std::string utf8;
    std::wstring wide;
    Way way;
  } cases[] = {
      {"", L"", kBoth},
      {"COM3", L"COM3", kBoth},
      {"\xCE\xB2\xCE\xAC\xCF\x83\xCE\xB7.csv", L"\x03B2\x03AC\x03C3\x03B7.csv", kBoth},  // Greek
      {"\xE2\x82\xAC", L"\x20AC", kBoth},            // the euro sign
      {"\xF0\x9F\x98\x80", L"\xD83D\xDE00", kBoth},  // outside the BMP: a surrogate pair
      {"a\xFF"
       "b",
       L"a\xFFFD"
       "b",
       kToWide},                             // a byte that starts no character
      {"\xEF\xBF\xBD", L"\xD800", kToUtf8},  // a lone surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    if (c.way != kToUtf8) {
      EXPECT_EQ(WideFromUtf8(c.utf8), c.wide);
    }
    if (c.way != kToWide) {
      EXPECT_EQ(Utf8FromWide(c.wide), c.utf8);
    }
  }
}

}  // namespace
}  // namespace brenvik
