#include "files/DecimalNumber.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brenvik {
namespace {

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

}  // namespace
}  // namespace brenvik
