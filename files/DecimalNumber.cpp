#include "files/DecimalNumber.h"

#include <algorithm>

namespace brenvik {

namespace {

// The white space a C decimal conversion skips.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

DecimalNumber ReadDecimal(std::string_view field) {
  std::size_t pos = 0;
  while (pos < field.size() && IsBlank(field[pos])) {
    ++pos;
  }
  bool negative = false;
  if (pos < field.size() && (field[pos] == '+' || field[pos] == '-')) {
    negative = field[pos] == '-';
    ++pos;
  }
  if (pos >= field.size() || !IsDigit(field[pos])) {
    return {};
  }
  // The magnitude is capped just above the int32 range, so a long run of
  // digits cannot overflow while it is read.
  constexpr int64_t kLimit = int64_t{1} << 31;
  int64_t magnitude = 0;
  for (; pos < field.size() && IsDigit(field[pos]); ++pos) {
    magnitude = std::min(magnitude * 10 + (field[pos] - '0'), kLimit + 1);
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < -kLimit || value > kLimit - 1) {
    return {DecimalNumber::Kind::kOutOfRange, 0};
  }
  return {DecimalNumber::Kind::kNumber, static_cast<int32_t>(value)};
}

}  // namespace brenvik
