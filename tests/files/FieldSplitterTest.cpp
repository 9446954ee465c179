#include "files/FieldSplitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TempDir.h"

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

TEST(CopyFieldText, FillsTheWholeFieldAndCutsToItsSizeKeepingTheNul) {
  struct Case {
    std::string text;
    bool fits;
    const char* stored;
  };
  const Case cases[] = {
      {"", true, ""},
      {"AB", true, "AB"},
      {"ABCDE", true, "ABCDE"},
      {"ABCDEF", false, "ABCDE"},
      {"ABCDEFGHIJ", false, "ABCDE"},
      {std::string("A\nB", 3), true, "A\nB"},
  };
  for (const Case& c : cases) {
    char field[8];
    std::memset(field, 0x5A, sizeof field);
    EXPECT_EQ(CopyFieldText(c.text, field, 6), c.fits) << c.text;
    // Bytes 6 and 7 lie behind the 6-byte field and must keep their value.
    char expected[8] = {};
    std::memcpy(expected, c.stored, std::strlen(c.stored));
    expected[6] = 0x5A;
    expected[7] = 0x5A;
    EXPECT_EQ(std::memcmp(field, expected, sizeof field), 0) << c.text;
  }
}

TEST(DataFileLines, EndsLinesAtLfOrCrLfAndKeepsTheNewline) {
  test::TempDir dir;
  const std::string path = dir.Write("lines.csv", "one\r\ntwo\nthree\rstill three\nlast");
  DataFileLines file(path, 99);
  ASSERT_FALSE(file.Open());
  std::string line;
  std::string error;
  const std::vector<std::string> expected = {"one\n", "two\n", "three\rstill three\n", "last"};
  for (const std::string& want : expected) {
    ASSERT_EQ(file.NextLine(line, error), DataFileLines::Status::kLine) << error;
    EXPECT_EQ(line, want);
  }
  EXPECT_EQ(file.LineNumber(), 4);
  EXPECT_EQ(file.NextLine(line, error), DataFileLines::Status::kEnd);
  EXPECT_EQ(file.NextLine(line, error), DataFileLines::Status::kEnd);
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
    ASSERT_FALSE(file.Open());
    std::string line;
    std::string error;
    const DataFileLines::Status status = file.NextLine(line, error);
    if (c.ok) {
      EXPECT_EQ(status, DataFileLines::Status::kLine) << error;
    } else {
      EXPECT_EQ(status, DataFileLines::Status::kFailed);
      EXPECT_EQ(error, path + ":1: line longer than 10 characters");
    }
  }
}

}  // namespace
}  // namespace brenvik
