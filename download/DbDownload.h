#pragma once

#include <cstddef>
#include <cstdint>

#include "download/DownloadContext.h"
#include "files/DbTable.h"

namespace brenvik {

// Writes the wire image of `record` into frameBuffer from element `at` on.
// The fields go in their fixed order; each text is copied up to and including
// its NUL (never beyond its own field in the record), may run on past its
// slot, and is overwritten there by the fields written after it. tailText can
// run up to 3 bytes past the image; nothing is written outside frameBuffer.
void RecordImage(FrameBuffer& frameBuffer, std::size_t at, const DbRecord& record);

// Sends ctx.dbTable to the device, one frame per entry, and publishes its
// progress before each frame and its outcome in ctx.dbStatusText (Completed,
// or a failure with the link diagnostic; Stopped after a stop request). With
// ctx.maxNaks set, that many NAKs since the download last reached a new
// highest entry end it with TooManyNaks and the diagnostic of the last answer
// wait.
void DownloadDb(DownloadContext& ctx);

// Thread entry: `context` is the DownloadContext. Runs DownloadDb and, as its
// very last action, clears ctx.downloadRunning. Returns 0.
unsigned DbDownloadThread(void* context);

}  // namespace brenvik
