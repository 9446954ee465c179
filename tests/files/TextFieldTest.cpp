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

// How a spreadsheet wrote a cell, seen from the field: `line` is the entry
// line the field is the fifth field of.
TEST(CheckTextCell, NamesWhatTheSpreadsheetDidToTheCell) {
  struct Case {
    std::string line;
    bool fieldsFollow;
    std::vector<std::string> warnings;  // behind the field's name
  };
  const std::string kAsNumber =
      ", a number as a spreadsheet writes it: the spreadsheet turned the cell into a number; "
      "format the column as Text before typing, or start the cell with an apostrophe";
  const std::string kAsDate =
      ", a date as a spreadsheet writes it, in a field that holds no date on most other lines: "
      "the spreadsheet turned the cell into a date; format the column as Text before typing, or "
      "start the cell with an apostrophe";
  const std::string kSplit =
      " is the start of the cell \"PUMP 1, NORTH\" as the spreadsheet wrote it, quoted for its "
      "comma; quotes are ordinary characters here, so the cell was split at its comma";
  const Case cases[] = {
      {"1,C,1,0,1.00E+05,T\n", true, {" is \"1.00E+05\"" + kAsNumber}},
      {"1,C,1,0,1.23456789012346E+016\n", true, {" is \"1.23456789012346E+016\"" + kAsNumber}},
      {"1,C,1,0,-2E-3,T\n", true, {" is \"-2E-3\"" + kAsNumber}},
      {"1,C,1,0,1.00E05,T\n", true, {}},
      {"1,C,1,0,E+05,T\n", true, {}},
      {"1,C,1,0,1.5,T\n", true, {}},
      {"1,C,1,0,03/04/26,T\n", true, {" is \"03/04/26\"" + kAsDate}},
      {"1,C,1,0,03.04.2026,T\n", true, {" is \"03.04.2026\"" + kAsDate}},
      {"1,C,1,0,2026-04-03\n", true, {" is \"2026-04-03\"" + kAsDate}},
      {"1,C,1,0,31/12/2026,T\n", true, {" is \"31/12/2026\"" + kAsDate}},
      {"1,C,1,0,13/13/26,T\n", true, {}},
      {"1,C,1,0,03/04.26,T\n", true, {}},
      {"1,C,1,0,1.2.345,T\n", true, {}},
      {"1,C,1,0,2026-13-03,T\n", true, {}},
      {"1,C,1,0,3/4,T\n", true, {}},
      {"1,C,1,0,\"PUMP 1, NORTH\",0,T\n",
       true,
       {kSplit + ": every field from field 6 on moved one place"}},
      {"1,C,1,0,\"PUMP 1, NORTH\"\n",
       false,
       {kSplit + R"(: the device gets ""PUMP 1" and the rest is not read)"}},
      {"1,C,1,0,\"A, B, C\",T\n",
       true,
       {" is the start of the cell \"A, B, C\" as the spreadsheet wrote it, quoted for its comma; "
        "quotes are ordinary characters here, so the cell was split at its comma: every field "
        "from field 6 on moved 2 places"}},
      {"1,C,1,0,\"PUMP 1\",T\n",
       true,
       {" starts with a double quote: the quotes stay part of the text, and a comma inside them "
        "still splits the field"}},
      {"1,C,1,0,\"PUMP 1, NORTH,T\n",
       true,
       {" starts with a double quote: the quotes stay part of the text, and a comma inside them "
        "still splits the field"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FieldSplitter fields(c.line);
    std::string_view field;
    for (int i = 0; i < 5; ++i) field = fields.Next().value_or(std::string_view{});
    WarningCollector collector("F");
    CheckTextCell(c.line, field, kField, c.fieldsFollow, collector);
    EXPECT_EQ(Behind(collector.Gather(1, "lines")), c.warnings);
  }
}

}  // namespace
}  // namespace brenvik
