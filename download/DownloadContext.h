#pragma once

#include <atomic>
#include <cstdint>

#include "base/StopSignal.h"
#include "download/StatusText.h"
#include "files/DbTable.h"
#include "files/MmiBlock.h"
#include "serial/FrameLink.h"

namespace brenvik {

// Everything a download worker needs besides the port object itself. The
// window owns one for its whole life and hands its address to each worker;
// it supports one download at a time.
struct DownloadContext {
  StatusText dbStatusText;   // written by the database worker only
  StatusText mmiStatusText;  // written by the MMI worker only
  DbTable dbTable{};
  MmiBlock mmiBlock{};
  FrameBuffer frameBuffer{};
  int32_t txError = 0;  // a frame of this download was not written whole

  // Set by the starter when a download starts; the worker clears it as its
  // very last action, so the window can tell when the download has ended.
  std::atomic<bool> downloadRunning{false};
  // Asks the running download to end before its next frame or read attempt.
  StopSignal stop;
  // The way to the device; the starter sets its port just before the worker
  // starts, and the worker reaches the port only through it.
  FrameLink link{stop};
  // NAKs a database download takes since it last reached a new highest entry
  // before it gives up; 0: no limit (the window's setting, whose operator can
  // disconnect).
  int32_t maxNaks = 0;
};

}  // namespace brenvik
