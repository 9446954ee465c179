#pragma once

#include <cstdint>
#include <string_view>

namespace brenvik {

// A decimal number read from the start of a field.
struct DecimalNumber {
  enum class Kind {
    kNone,        // the field does not begin with a number
    kNumber,      // `value` holds it
    kOutOfRange,  // digits were there, but not a 32-bit signed number
  };
  Kind kind = Kind::kNone;
  int32_t value = 0;
};

// Skips leading white space, takes an optional sign and the decimal digits
// that follow, and stops at the first character that is not a digit ("7x"
// reads 7, "word" reads no number).
DecimalNumber ReadDecimal(std::string_view field);

}  // namespace brenvik
