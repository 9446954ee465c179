#include "files/FieldSplitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TempDir.h"
#include "files/DataFileLines.h"
#include "files/DecimalNumber.h"
#include "files/TextField.h"

namespace brenvik {
namespace {

std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> fields;
  FieldSplitter splitter(line);
  while (auto field = splitter.Next()) {
    fields.emplace_back(*field);
  }
  return fields;
}

TEST(FieldSplitter, RunsOfCommasAreOneSeparatorAndTheNewlineStaysInTheLastField) {
  struct Case {
    const char* line;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"1,A100,1\n", {"1", "A100", "1\n"}},
      {"1,,A100,1\n", {"1", "A100", "1\n"}},
      {",,,1,A100", {"1", "A100"}},
      {"a,b,,,", {"a", "b"}},
      {"label,\n", {"label", "\n"}},
      {",,,\n", {"\n"}},
      {"", {}},
      {",,,", {}},
      {"t1,ABC\n", {"t1", "ABC\n"}},
      {"a,\"b,c\",d", {"a", "\"b", "c\"", "d"}},
      {" a , b ", {" a ", " b "}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Split(c.line), c.fields) << "line: " << c.line;
    EXPECT_EQ(FieldSplitter::CountFields(c.line), static_cast<int>(c.fields.size()))
        << "line: " << c.line;
  }
}

TEST(FieldSplitter, NextAfterTheLastFieldKeepsYieldingNothing) {
  FieldSplitter splitter("a,b");
  EXPECT_EQ(splitter.Next(), "a");
  EXPECT_EQ(splitter.Next(), "b");
  EXPECT_FALSE(splitter.Next());
  EXPECT_FALSE(splitter.Next());
}

TEST(ReadDecimal, TakesBlanksSignAndDigitsAndStopsAtTheFirstNonDigit) {
  using Kind = DecimalNumber::Kind;
  struct Case {
    const char* field;
    Kind kind;
    int32_t value;
  };
  const Case cases[] = {
      {"300", Kind::kNumber, 300},
      {"-1", Kind::kNumber, -1},
      {"+5", Kind::kNumber, 5},
      {"7x", Kind::kNumber, 7},
      {"  12", Kind::kNumber, 12},
      {"\t\n 3\n", Kind::kNumber, 3},
      {"-0", Kind::kNumber, 0},
      {"0000000000000000000042", Kind::kNumber, 42},
      {"2147483647", Kind::kNumber, 2147483647},
      {"-2147483648", Kind::kNumber, -2147483647 - 1},
      {"word", Kind::kNone, 0},
      {"\"5\"", Kind::kNone, 0},
      {"", Kind::kNone, 0},
      {"-", Kind::kNone, 0},
      {"+", Kind::kNone, 0},
      {"- 5", Kind::kNone, 0},
      {"\n", Kind::kNone, 0},
      {"x12", Kind::kNone, 0},
      {"2147483648", Kind::kOutOfRange, 0},
      {"-2147483649", Kind::kOutOfRange, 0},
      {"99999999999999999999999999", Kind::kOutOfRange, 0},
  };
  for (const Case& c : cases) {
    const DecimalNumber number = ReadDecimal(c.field);
    EXPECT_EQ(number.kind, c.kind) << "field: " << c.field;
    if (c.kind == Kind::kNumber) {
      EXPECT_EQ(number.value, c.value) << "field: " << c.field;
    }
  }
}

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

TEST(DataFileLines, EndsLinesAtLfOrCrLfKeepsTheNewlineAndSkipsALeadingByteOrderMark) {
  test::TempDir dir;
  const std::string path =
      dir.Write("lines.csv", "\xEF\xBB\xBFone\r\ntwo\nthree\rstill three\n\xEF\xBB\xBFlast");
  DataFileLines file(path, 99);
  ASSERT_TRUE(file.Open());
  std::string line;
  const std::vector<std::string> expected = {"one\n", "two\n", "three\rstill three\n",
                                             "\xEF\xBB\xBFlast"};
  for (const std::string& want : expected) {
    const Result<DataFileLines::Status> next = file.NextLine(line);
    ASSERT_TRUE(next) << next.error();
    ASSERT_EQ(*next, DataFileLines::Status::kLine);
    EXPECT_EQ(line, want);
  }
  EXPECT_EQ(file.LineNumber(), 4);
  EXPECT_EQ(*file.NextLine(line), DataFileLines::Status::kEnd);
  EXPECT_EQ(*file.NextLine(line), DataFileLines::Status::kEnd);
}

TEST(DataFileLines, LimitCountsTheNewlineButNotADroppedCarriageReturn) {
  struct Case {
    std::string content;
    bool ok;
  };
  const std::string nine(9, 'x');
  const std::string ten(10, 'x');
  const Case cases[] = {
      {nine + "\n", true},      // 10 with its newline
      {nine + "\r\n", true},    // the CR is dropped before the count
      {ten + "\n", false},      // 11
      {ten + "\r\n", false},    // 11 once the CR is gone
      {ten, true},              // a last line without newline
      {ten + "x", false},       // 11 without newline
      {nine + "\r", true},      // a CR not followed by LF stays in the line
      {ten + "\r", false},      // ... and counts
      {nine + "\rx\n", false},  // a lone CR is no line end
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.Write("limit.csv", c.content);
    DataFileLines file(path, 10);
    ASSERT_TRUE(file.Open());
    std::string line;
    const Result<DataFileLines::Status> next = file.NextLine(line);
    if (c.ok) {
      ASSERT_TRUE(next) << next.error();
      EXPECT_EQ(*next, DataFileLines::Status::kLine);
    } else {
      EXPECT_FALSE(next);
      EXPECT_EQ(next.error(), path + ":1: line longer than 10 characters");
    }
  }
}

}  // namespace
}  // namespace brenvik
