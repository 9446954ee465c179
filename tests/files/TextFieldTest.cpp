#include "files/TextField.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/FieldSplitter.h"

namespace brenvik {
namespace {

const FieldRef kField{1, 5, "label"};

// The warnings with "F:1: field 5 (label)" taken off their front.
std::vector<std::string> Behind(std::vector<std::string> warnings) {
  for (std::string& warning : warnings) warning.erase(0, std::strlen("F:1: field 5 (label)"));
  return warnings;
}

TEST(StoreText, FillsTheFieldAndWarnsWhereTheDeviceGetsSomethingElse) {
  struct Case {
    std::string text;
    std::size_t room;  // of the 6-byte field
    const char* stored;
    std::vector<std::string> warnings;  // behind the field's name
  };
  const Case cases[] = {
      {"", 6, "", {}},
      {"ABC", 4, "ABC", {}},
      {"ABCD",
       4,
       "ABCD",
       {" has 4 characters, more than the 3 that reach the device whole: it gets "
        "\"ABCD\" without its terminating zero"}},
      {"ABCDEFGHIJ", 6, "ABCDE", {" has 10 characters, cut to 5: the device gets \"ABCDE\""}},
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
       {R"( has 6 characters, cut to 5: the device gets "AAAA\xC3")",
        " is cut in the middle of a UTF-8 character"}},
      {"A\xC3\xA9\x01", 6, "A\xC3\xA9\x01", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char field[8];
    std::memset(field, 0x5A, sizeof field);
    WarningCollector collector("F");
    StoreText(c.text, TextSlot{field, 6, c.room}, kField, collector);
    // Bytes 6 and 7 lie behind the 6-byte field and must keep their value.
    char expected[8] = {};
    std::memcpy(expected, c.stored, std::strlen(c.stored));
    expected[6] = 0x5A;
    expected[7] = 0x5A;
    EXPECT_EQ(std::memcmp(field, expected, sizeof field), 0);
    EXPECT_EQ(Behind(collector.Gather(1, "lines")), c.warnings);
  }
  EXPECT_EQ(Quoted("a\"\r\xE2\x82\xAC\xE2\x82"), "\"a\"\\x0D\xE2\x82\xAC\\xE2\\x82\"");
}

// The forms a spreadsheet writes for a cell it re-typed, and their near
// misses; the texts themselves are the readers' rows.
TEST(CheckTextCell, TakesOnlyTheFormsASpreadsheetWritesForARetypedCell) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"1.00E+05", 1},    {"-2E-3", 1},
      {"1.00E05", 0},     {"E+05", 0},
      {"1.5", 0},         {"03.04.2026", 1},
      {"31/12/26\n", 1},  {"13/13/26", 0},
      {"03/04.26", 0},    {"1.2.345", 0},
      {"2026-13-03", 0},  {"3/4", 0},
      {"\"A, B, C\"", 1}, {"\"A, B", 1},
      {"\"A\"", 1},       {"123456789012345678901234.5E+1", 1},
  };
  for (const auto& [cell, warnings] : cases) {
    SCOPED_TRACE(cell);
    const std::string line = std::string("1,C,1,0,") + cell + ",T\n";
    FieldSplitter fields(line);
    std::string_view field;
    for (int i = 0; i < 5; ++i) field = fields.Next().value_or(std::string_view{});
    WarningCollector collector("F");
    CheckTextCell(line, field, kField, true, collector);
    const std::vector<std::string> got = collector.Gather(1, "lines");
    EXPECT_EQ(got.size(), warnings);
    if (std::string_view(cell) == "\"A, B, C\"") {
      EXPECT_TRUE(!got.empty() && got[0].ends_with("moved 2 places"));
    }
  }
}

}  // namespace
}  // namespace brenvik
