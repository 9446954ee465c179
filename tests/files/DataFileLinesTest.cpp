#include "files/DataFileLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"

namespace brenvik {
namespace {

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
