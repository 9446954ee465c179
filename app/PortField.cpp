#include "app/PortField.h"

#include <cctype>

namespace brenvik::app {

namespace {

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

PortChoice ParsePortField(const std::string& text) {
  const std::string field = Trimmed(text);
  PortChoice choice;
  if (!field.empty() && field.front() == '/') {
    choice.devicePath = field;
    return choice;
  }
  if (field.size() < 4 || field.size() > 8) return choice;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(field[i])) != "COM"[i]) return choice;
  }
  uint32_t number = 0;
  for (std::size_t i = 3; i < field.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(field[i]))) return choice;
    number = number * 10 + static_cast<uint32_t>(field[i] - '0');
  }
  choice.portNumber = number;
  return choice;
}

}  // namespace brenvik::app
