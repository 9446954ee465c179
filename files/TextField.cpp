#include "files/TextField.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brenvik {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length of the UTF-8 character that starts at `at`, or 0 when the bytes
// there are not one whole character.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuationByte(text[at + i])) return 0;
  }
  return length;
}

std::string Characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

}  // namespace

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    if (const std::size_t length = byte >= 0x80 ? Utf8Length(text, i) : 0; length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    if (byte == '\n') {
      out += "\\n";
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    }
    ++i;
  }
  return out + "\"";
}

void StoreText(std::string_view text, TextSlot slot, const std::string& what,
               std::vector<std::string>& warnings) {
  const std::size_t stored = std::min(text.size(), slot.fieldSize - 1);
  std::memcpy(slot.dest, text.data(), stored);
  std::memset(slot.dest + stored, 0, slot.fieldSize - stored);

  // The zero goes with the text while the text is shorter than its room;
  // otherwise the device gets the first `room` bytes and nothing ends them.
  const std::size_t arrives = std::min(stored, slot.room);
  if (stored >= slot.room) {
    warnings.push_back(what + " has " + Characters(text.size()) + ", more than the " +
                       std::to_string(slot.room - 1) + " that reach the device whole: it gets " +
                       Quoted(text.substr(0, arrives)) + " without its terminating zero");
  } else if (stored < text.size()) {
    warnings.push_back(what + " has " + Characters(text.size()) + ", cut to " +
                       std::to_string(stored));
  }
  if (arrives < text.size() && IsContinuationByte(text[arrives])) {
    warnings.push_back(what + " is cut in the middle of a UTF-8 character");
  }
  if (text.substr(0, arrives).find('\n') != std::string_view::npos) {
    warnings.push_back(what + " is the last field of its line and keeps the line end: " +
                       "the device gets " + Quoted(text.substr(0, arrives)));
  }
}

void WarnOfQuote(std::string_view field, bool isNumber, const std::string& what,
                 std::vector<std::string>& warnings) {
  if (field.empty() || field.front() != '"') return;
  warnings.push_back(what + " starts with a double quote: " +
                     (isNumber ? std::string("a quoted number reads as 0")
                               : std::string("the quotes stay part of the text, and a comma "
                                             "inside them still splits the field")));
}

bool HasEmptyCell(std::string_view line, std::size_t end) {
  const std::string_view head = line.substr(0, std::min(end, line.size()));
  return (!head.empty() && head.front() == ',') || head.find(",,") != std::string_view::npos;
}

}  // namespace brenvik
