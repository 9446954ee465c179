#include "base/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace brenvik {
namespace {

TEST(Result, HoldsItsValueOrTheErrorsTextAndNeverBoth) {
  const Result<int> value = 3000;
  ASSERT_TRUE(value.ok());
  EXPECT_TRUE(static_cast<bool>(value));
  EXPECT_EQ(*value, 3000);
  EXPECT_EQ(value.error(), "");

  const Result<std::string> failed = Error{"db.csv:1: count -5 is below 0"};
  EXPECT_FALSE(failed.ok());
  EXPECT_FALSE(static_cast<bool>(failed));
  EXPECT_EQ(failed.error(), "db.csv:1: count -5 is below 0");

  const Result<> done;
  EXPECT_TRUE(done.ok());
  EXPECT_EQ(done.error(), "");
  const Result<> refused = Error{"COM3: in use"};
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.error(), "COM3: in use");
}

TEST(Result, SystemErrorEndsInTheSystemsWordsForTheCause) {
  const struct {
    int errnum;
    const char* text;
  } cases[] = {
      {ENOENT, "db.csv: No such file or directory"},
      {EACCES, "db.csv: Permission denied"},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemError("db.csv", c.errnum).text, c.text);
}

}  // namespace
}  // namespace brenvik
