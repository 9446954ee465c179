#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "download/DownloadProgress.h"

namespace brenvik {

inline constexpr std::size_t kStatusTextSize = 255;  // 254 characters and NUL

// Writes the text a person reads of `progress` into out, NUL-terminated:
// nothing before a download has begun, "Downloading database..." or
// "Downloading MMI...", "Writing...<percent>%, <sent>/<count>", "Completed!",
// "ERR: <kind> stopped", or "ERR: <kind> tx error!", "... rx timeout!",
// "... no ACK!", "... too many NAKs!" directly followed by the link diagnostic
// "k = 01, ret = 15, retry = 0". Every status text is made here.
void WriteStatusText(const DownloadProgress& progress, char (&out)[kStatusTextSize]);
// The same text as a string.
std::string StatusTextOf(const DownloadProgress& progress);

// A download's progress and its text, written by a download worker and read
// by the window's timer and the loader. Both sides go through the lock, so a
// reader never sees a text half rewritten nor figures of another moment than
// the text's. Nothing is allocated: the text is formatted in place.
class StatusText {
 public:
  // Told of every progress published, in order, on the publishing thread,
  // after the lock is let go: the loader prints every change of text, which
  // a reader polling now and then would miss. It must not block.
  using Listener = std::function<void(const DownloadProgress&)>;

  // Set while no download publishes here.
  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // Takes `progress` and its text.
  void Publish(const DownloadProgress& progress);
  // The progress as last published.
  DownloadProgress Progress() const;
  // Copies the text, NUL-terminated, into out (kStatusTextSize bytes).
  void CopyTo(char (&out)[kStatusTextSize]) const;
  // The text as it stands.
  std::string Text() const;

 private:
  mutable std::mutex lock_;
  DownloadProgress progress_;
  char text_[kStatusTextSize] = {};
  Listener listener_;
};

}  // namespace brenvik
