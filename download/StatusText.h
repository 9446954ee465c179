#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace brenvik {

inline constexpr std::size_t kStatusTextSize = 255;  // 254 characters and NUL

// A one-line status text written by a download worker and copied by the
// window's timer. Both sides go through the lock, so a copy never sees a text
// half rewritten. Nothing is allocated: texts are formatted in place.
class StatusText {
 public:
  void Set(const char* text);
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Appends formatted text directly behind the current text.
  void Append(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Copies the text, NUL-terminated, into out (kStatusTextSize bytes).
  void CopyTo(char (&out)[kStatusTextSize]) const;
  // The text as it stands.
  std::string Text() const;

 private:
  mutable std::mutex lock_;
  char text_[kStatusTextSize] = {};
};

}  // namespace brenvik
