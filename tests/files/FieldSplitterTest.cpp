#include "files/FieldSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace brenvik
