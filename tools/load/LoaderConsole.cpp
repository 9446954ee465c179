#include "tools/load/LoaderConsole.h"

#include <string>

namespace brenvik::load {

void LoaderConsole::Print(std::string_view text) {
  if (!showEntryCount_) return;
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  display_.Line(std::string(text));
}

void LoaderConsole::TraceFrame(std::span<const uint8_t> frame) {
  display_.Frame(port_, frame.data(), frame.size());
}

}  // namespace brenvik::load
