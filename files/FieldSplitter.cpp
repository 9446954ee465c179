#include "files/FieldSplitter.h"

#include <algorithm>

namespace brenvik {

std::optional<std::string_view> FieldSplitter::Next() {
  const std::size_t start = m_rest.find_first_not_of(',');
  if (start == std::string_view::npos) {
    m_rest = {};
    return std::nullopt;
  }
  m_rest.remove_prefix(start);
  const std::size_t end = std::min(m_rest.find(','), m_rest.size());
  const std::string_view field = m_rest.substr(0, end);
  m_rest.remove_prefix(end);
  return field;
}

int FieldSplitter::CountFields(std::string_view line) {
  FieldSplitter splitter(line);
  int count = 0;
  while (splitter.Next()) {
    ++count;
  }
  return count;
}

}  // namespace brenvik
