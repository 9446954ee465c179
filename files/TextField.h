#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileWarnings.h"

namespace brenvik {

// Storing a text of a data file into its fixed field, and the warnings that
// tell the operator where the device will get something other than what the
// file holds. The bytes stored never depend on the warnings.

// Where a text goes: its field in the image, and how many bytes of it the
// frame carries before the next field or the checksum overwrites the rest.
struct TextSlot {
  char* dest;
  std::size_t fieldSize;  // the terminating zero included
  std::size_t room;       // at most fieldSize
};

template <std::size_t N>
TextSlot SlotOf(char (&field)[N], std::size_t room = N) {
  return {field, N, room};
}

// Copies `text` into the slot's field, NUL-terminated, the rest of the field
// zeroed, cut to the field when longer. Warns when:
//   - the text does not reach the device whole with its terminating zero
//     (it names the text as the device gets it);
//   - it is cut to its field although the frame carries all of the field;
//   - the cut falls inside a UTF-8 character;
//   - it keeps the line end, being the last field of its line.
void StoreText(std::string_view text, TextSlot slot, const FieldRef& field,
               WarningCollector& warnings);

// What a spreadsheet may have done to the cell a field came from. `line`
// holds `field`. Warns when:
//   - the field opens a double quote that a later field closes: the quoted
//     cell held a comma and was split at it (`fieldsFollow`: later fields
//     are read and moved, else they are not read);
//   - it starts with a double quote otherwise (quotes are ordinary
//     characters, and a quoted number reads as 0);
//   - a text reads as a number or a date in the form a spreadsheet writes
//     for a cell it re-typed.
void CheckNumberCell(std::string_view line, std::string_view field, const FieldRef& ref,
                     WarningCollector& warnings);
void CheckTextCell(std::string_view line, std::string_view field, const FieldRef& ref,
                   bool fieldsFollow, WarningCollector& warnings);

// For a line refused for too few fields: ": the file is separated by
// semicolons, not commas; ..." when it holds more semicolons (or tabs) than
// commas, as a spreadsheet saves in languages that write a decimal comma;
// else empty.
std::string SeparatorHint(std::string_view line);

// True when the line holds an empty cell (a comma at its start, or two in a
// row) in front of byte `end`: the splitter drops it, so every later field
// moves one place to the left.
bool HasEmptyCell(std::string_view line, std::size_t end);

// The text in double quotes for a message on one line: line ends and other
// control characters, and bytes that are no whole UTF-8 character, are
// written as escapes (\n, \x0D).
std::string Quoted(std::string_view text);

}  // namespace brenvik
