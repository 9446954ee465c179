#pragma once

#include "download/DownloadContext.h"
#include "download/DownloadProgress.h"
#include "download/StatusText.h"
#include "serial/FrameLink.h"

namespace brenvik {

// What went wrong in a download, as it notices it; more than one may apply.
struct DownloadEnd {
  bool stopped = false;      // a stop request
  bool txError = false;      // a frame was not written whole
  bool rxTimeout = false;    // no answer within the wait
  bool noAck = false;        // an answer other than ACK (DB: other than ACK or NAK)
  bool tooManyNaks = false;  // DB: the context's NAK limit was reached

  // The first that applies in the order of DownloadOutcome; Completed when none does.
  DownloadOutcome Outcome() const;
};

// Publishes the end of a download in `status`: `progress` (its kind, sent and
// count) ended with the outcome of `end` and the link diagnostic of `reply`.
void PublishEnd(StatusText& status, DownloadProgress progress, const DownloadEnd& end,
                const ReplyResult& reply);

// The body of both thread entries: `context` is the DownloadContext; runs
// `download` on it and, as its very last action, clears downloadRunning.
// Returns 0.
unsigned RunDownloadThread(void* context, void (*download)(DownloadContext&));

}  // namespace brenvik
