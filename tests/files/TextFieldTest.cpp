#include "files/TextField.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace brenvik {
namespace {

TEST(StoreText, FillsTheFieldAndWarnsWhereTheDeviceGetsSomethingElse) {
  struct Case {
    std::string text;
    std::size_t room;  // of the 6-byte field
    const char* stored;
    std::vector<std::string> warnings;  // behind "F"
  };
  const Case cases[] = {
      {"", 6, "", {}},
      {"ABC", 4, "ABC", {}},
      {"ABCD",
       4,
       "ABCD",
       {" has 4 characters, more than the 3 that reach the device whole: it gets "
        "\"ABCD\" without its terminating zero"}},
      {"ABCDEFGHIJ", 6, "ABCDE", {" has 10 characters, cut to 5"}},
      {"ABCDEFGHIJ",
       4,
       "ABCDE",
       {" has 10 characters, more than the 3 that reach the device whole: it gets "
        "\"ABCD\" without its terminating zero"}},
      {"AB\n",
       6,
       "AB\n",
       {R"( is the last field of its line and keeps the line end: the device gets "AB\n")"}},
      {"AAAA\xC3\xA9",
       6,
       "AAAA\xC3",
       {" has 6 characters, cut to 5", " is cut in the middle of a UTF-8 character"}},
      {"A\xC3\xA9\x01", 6, "A\xC3\xA9\x01", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char field[8];
    std::memset(field, 0x5A, sizeof field);
    std::vector<std::string> warnings;
    StoreText(c.text, TextSlot{field, 6, c.room}, "F", warnings);
    // Bytes 6 and 7 lie behind the 6-byte field and must keep their value.
    char expected[8] = {};
    std::memcpy(expected, c.stored, std::strlen(c.stored));
    expected[6] = 0x5A;
    expected[7] = 0x5A;
    EXPECT_EQ(std::memcmp(field, expected, sizeof field), 0);
    for (std::string& warning : warnings) warning.erase(0, 1);
    EXPECT_EQ(warnings, c.warnings);
  }
  EXPECT_EQ(Quoted("a\"\r\xE2\x82\xAC\xE2\x82"), "\"a\"\\x0D\xE2\x82\xAC\\xE2\\x82\"");
}

}  // namespace
}  // namespace brenvik
