#pragma once

#include <cstddef>
#include <cstdint>

#include "download/DownloadContext.h"
#include "files/MmiBlock.h"

namespace brenvik {

// Copies the first kMmiPayloadSize bytes of `block` verbatim into frameBuffer
// from element `at` on: texts go out with their whole fields, zeros included.
void MmiPayload(FrameBuffer& frameBuffer, std::size_t at, const MmiBlock& block);

// Sends ctx.mmiBlock to the device as one paced frame, waits for the answer
// and publishes the outcome in ctx.mmiStatusText (Completed, or a failure with
// the link diagnostic; Stopped after a stop request).
void DownloadMmi(DownloadContext& ctx);

// Thread entry: `context` is the DownloadContext. Runs DownloadMmi and, as
// its very last action, clears ctx.downloadRunning. Returns 0.
unsigned MmiDownloadThread(void* context);

}  // namespace brenvik
