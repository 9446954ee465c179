#pragma once

#include <optional>
#include <string_view>

namespace brenvik {

// Cuts one line into fields. A field is a maximal run of characters other
// than the comma; runs of commas (also at the start of the line) are one
// separator, so an empty field never counts. The newline that ends a line
// stays in the line's last field.
class FieldSplitter {
 public:
  explicit FieldSplitter(std::string_view line) : m_rest(line) {}

  // The next field, or nothing when the line has no more.
  std::optional<std::string_view> Next();

  // How many fields `line` holds.
  static int CountFields(std::string_view line);

 private:
  std::string_view m_rest;
};

}  // namespace brenvik
