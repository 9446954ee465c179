#include "files/TextField.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "files/FieldSplitter.h"

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

void StoreText(std::string_view text, TextSlot slot, const FieldRef& field,
               WarningCollector& warnings) {
  const std::size_t stored = std::min(text.size(), slot.fieldSize - 1);
  std::memcpy(slot.dest, text.data(), stored);
  std::memset(slot.dest + stored, 0, slot.fieldSize - stored);

  // The zero goes with the text while the text is shorter than its room;
  // otherwise the device gets the first `room` bytes and nothing ends them.
  const std::size_t arrives = std::min(stored, slot.room);
  const std::string what = warnings.What(field);
  if (stored >= slot.room) {
    warnings.Add(field, WarningCause::kNotWhole,
                 what + " has " + Characters(text.size()) + ", more than the " +
                     std::to_string(slot.room - 1) + " that reach the device whole: it gets " +
                     Quoted(text.substr(0, arrives)) + " without its terminating zero");
  } else if (stored < text.size()) {
    warnings.Add(field, WarningCause::kCut,
                 what + " has " + Characters(text.size()) + ", cut to " + std::to_string(stored) +
                     ": the device gets " + Quoted(text.substr(0, stored)));
  }
  if (arrives < text.size() && IsContinuationByte(text[arrives])) {
    warnings.Add(field, WarningCause::kCutCharacter,
                 what + " is cut in the middle of a UTF-8 character");
  }
  if (text.substr(0, arrives).find('\n') != std::string_view::npos) {
    warnings.Add(field, WarningCause::kLineEnd,
                 what + " is the last field of its line and keeps the line end: " +
                     "the device gets " + Quoted(text.substr(0, arrives)));
  }
}

namespace {

std::string_view WithoutLineEnd(std::string_view field) {
  if (!field.empty() && field.back() == '\n') field.remove_suffix(1);
  return field;
}

// Takes a run of at least `min` and at most `max` digits from the front of
// `text`; its value, or -1 when there is no such run.
int TakeDigits(std::string_view& text, std::size_t min, std::size_t max) {
  std::size_t n = 0;
  int value = 0;
  while (n < text.size() && n < max && text[n] >= '0' && text[n] <= '9') {
    // Only short runs are told by value; a long one needs no more than a
    // value that has not overflowed.
    if (value < 100000) value = value * 10 + (text[n] - '0');
    ++n;
  }
  if (n < min || (n < text.size() && text[n] >= '0' && text[n] <= '9')) return -1;
  text.remove_prefix(n);
  return value;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// "1.00E+05", "1.23456789012346E+016": how a spreadsheet writes a number
// too long for its cell.
bool IsSpreadsheetNumber(std::string_view text) {
  TakeChar(text, '-');
  if (TakeDigits(text, 1, 32) < 0) return false;
  if (TakeChar(text, '.') && TakeDigits(text, 1, 32) < 0) return false;
  if (!TakeChar(text, 'E') || !(TakeChar(text, '+') || TakeChar(text, '-'))) return false;
  return TakeDigits(text, 1, 4) >= 0 && text.empty();
}

// "03/04/26", "03.04.2026", "2026-04-03": how a spreadsheet writes a date.
bool IsSpreadsheetDate(std::string_view text) {
  std::string_view rest = text;
  if (TakeDigits(rest, 4, 4) >= 0) {
    const int month = TakeChar(rest, '-') ? TakeDigits(rest, 1, 2) : -1;
    const int day = TakeChar(rest, '-') ? TakeDigits(rest, 1, 2) : -1;
    return rest.empty() && month >= 1 && month <= 12 && day >= 1 && day <= 31;
  }
  const int first = TakeDigits(rest, 1, 2);
  const char separator = TakeChar(rest, '/') ? '/' : TakeChar(rest, '.') ? '.' : '\0';
  if (first < 0 || separator == '\0') return false;
  const int second = TakeDigits(rest, 1, 2);
  if (second < 0 || !TakeChar(rest, separator)) return false;
  std::string_view year = rest;
  if (TakeDigits(rest, 2, 4) < 0 || !rest.empty() || year.size() == 3) return false;
  // Day and month in either order, as the spreadsheet's language has them.
  return first >= 1 && second >= 1 && std::max(first, second) <= 31 &&
         std::min(first, second) <= 12;
}

// When `field` opens a double quote that a later field of `line` closes:
// the cell as the spreadsheet wrote it, and how many fields it became.
struct SplitCell {
  std::string_view cell;
  int fields = 0;
};

SplitCell FindSplitCell(std::string_view line, std::string_view field) {
  const std::string_view own = WithoutLineEnd(field);
  if (own.empty() || own.front() != '"' || (own.size() > 1 && own.back() == '"')) return {};
  const auto start = static_cast<std::size_t>(field.data() - line.data());
  FieldSplitter later(line.substr(start + field.size()));
  int fields = 1;
  while (const std::optional<std::string_view> next = later.Next()) {
    ++fields;
    const std::string_view text = WithoutLineEnd(*next);
    if (!text.empty() && text.back() == '"') {
      const auto end = static_cast<std::size_t>(text.data() + text.size() - line.data());
      return {line.substr(start, end - start), fields};
    }
  }
  return {};
}

// Warns of a quoted cell split at its comma; true when it did.
bool WarnOfSplitCell(std::string_view line, std::string_view field, const FieldRef& ref,
                     bool fieldsFollow, WarningCollector& warnings) {
  const SplitCell split = FindSplitCell(line, field);
  if (split.fields == 0) return false;
  const int moved = split.fields - 1;
  std::string warning = warnings.What(ref) + " is the start of the cell " +
                        Quoted(split.cell.substr(1, split.cell.size() - 2)) +
                        " as the spreadsheet wrote it, quoted for its comma; quotes are ordinary "
                        "characters here, so the cell was split at its comma";
  if (fieldsFollow) {
    warning += ": every field from field " + std::to_string(ref.number + 1) + " on moved " +
               (moved == 1 ? std::string("one place") : std::to_string(moved) + " places");
  } else {
    warning += ": the device gets " + Quoted(WithoutLineEnd(field)) + " and the rest is not read";
  }
  warnings.Add(ref, WarningCause::kSplitCell, std::move(warning));
  return true;
}

constexpr const char* kKeepAsText =
    "; format the column as Text before typing, or start the cell with an apostrophe";

}  // namespace

void CheckNumberCell(std::string_view line, std::string_view field, const FieldRef& ref,
                     WarningCollector& warnings) {
  if (field.empty() || field.front() != '"') return;
  if (WarnOfSplitCell(line, field, ref, true, warnings)) return;
  warnings.Add(ref, WarningCause::kQuotedNumber,
               warnings.What(ref) + " starts with a double quote: a quoted number reads as 0");
}

void CheckTextCell(std::string_view line, std::string_view field, const FieldRef& ref,
                   bool fieldsFollow, WarningCollector& warnings) {
  const bool quoted = !field.empty() && field.front() == '"';
  warnings.CountText(ref, quoted);
  const std::string_view text = WithoutLineEnd(field);
  if (quoted) {
    if (WarnOfSplitCell(line, field, ref, fieldsFollow, warnings)) return;
    warnings.Add(ref, WarningCause::kQuotedText,
                 warnings.What(ref) +
                     " starts with a double quote: the quotes stay part of the text, and a "
                     "comma inside them still splits the field");
  } else if (IsSpreadsheetNumber(text)) {
    warnings.Add(ref, WarningCause::kRetypedNumber,
                 warnings.What(ref) + " is " + Quoted(text) +
                     ", a number as a spreadsheet writes it: the spreadsheet turned the cell "
                     "into a number" +
                     kKeepAsText);
  } else if (IsSpreadsheetDate(text)) {
    warnings.Add(ref, WarningCause::kRetypedDate,
                 warnings.What(ref) + " is " + Quoted(text) +
                     ", a date as a spreadsheet writes it, in a field that holds no date on "
                     "most other lines: the spreadsheet turned the cell into a date" +
                     kKeepAsText);
  }
}

std::string SeparatorHint(std::string_view line) {
  const auto count = [line](char c) { return std::count(line.begin(), line.end(), c); };
  const auto commas = count(',');
  const char* separator = count(';') > commas    ? "semicolons"
                          : count('\t') > commas ? "tabs"
                                                 : nullptr;
  if (separator == nullptr) return {};
  return std::string(": the file is separated by ") + separator +
         ", not commas; save it as CSV with the comma as field delimiter";
}

bool HasEmptyCell(std::string_view line, std::size_t end) {
  const std::string_view head = line.substr(0, std::min(end, line.size()));
  return (!head.empty() && head.front() == ',') || head.find(",,") != std::string_view::npos;
}

}  // namespace brenvik
