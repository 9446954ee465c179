#include "download/StatusText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace brenvik {

void StatusText::Set(const char* text) {
  std::lock_guard guard(lock_);
  std::snprintf(text_, sizeof text_, "%s", text);
}

void StatusText::Format(const char* format, ...) {
  char line[kStatusTextSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::lock_guard guard(lock_);
  std::memcpy(text_, line, sizeof text_);
}

void StatusText::Append(const char* format, ...) {
  std::lock_guard guard(lock_);
  const std::size_t used = std::strlen(text_);
  va_list args;
  va_start(args, format);
  std::vsnprintf(text_ + used, sizeof text_ - used, format, args);
  va_end(args);
}

std::string StatusText::Text() const {
  std::lock_guard guard(lock_);
  return text_;
}

void StatusText::CopyTo(char (&out)[kStatusTextSize]) const {
  std::lock_guard guard(lock_);
  std::memcpy(out, text_, sizeof out);
}

}  // namespace brenvik
