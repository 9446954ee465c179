#pragma once

#include "download/DownloadContext.h"
#include "download/StatusText.h"
#include "serial/FrameLink.h"

namespace brenvik {

// How a download ended. When several apply, the final text is that of the
// first in this order.
struct DownloadEnd {
  bool stopped = false;      // a stop request: "ERR: <kind> stopped"
  bool txError = false;      // a frame was not written whole
  bool rxTimeout = false;    // no answer within the wait
  bool noAck = false;        // an answer other than ACK (DB: other than ACK or NAK)
  bool tooManyNaks = false;  // DB: the context's NAK limit was reached
};

// Writes a download's final text into `status`, `kind` being "DB" or "MMI":
// "Completed!", "ERR: <kind> stopped", or "ERR: <kind> tx error!",
// "... rx timeout!", "... no ACK!", "... too many NAKs!" directly followed by
// the link diagnostic of `reply`.
void WriteFinalText(StatusText& status, const char* kind, const DownloadEnd& end,
                    const ReplyResult& reply);

// Appends "k = %0.2X, ret = %0.2X, retry = %d" to the status text.
void AppendLinkDiagnostic(StatusText& text, const ReplyResult& reply);

// The body of both thread entries: `context` is the DownloadContext; runs
// `download` on it and, as its very last action, clears downloadRunning.
// Returns 0.
unsigned RunDownloadThread(void* context, void (*download)(DownloadContext&));

}  // namespace brenvik
