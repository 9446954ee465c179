#include "base/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace brenvik {
namespace {

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
