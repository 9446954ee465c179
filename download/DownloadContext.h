#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "download/LinkClock.h"
#include "download/StatusText.h"
#include "download/StopSignal.h"
#include "files/DbTable.h"
#include "files/MmiBlock.h"
#include "serial/DevicePort.h"

namespace brenvik {

inline constexpr std::size_t kFrameBufferSize = 300;

// Shows "Error, expected 2 but %d" to the operator and returns once it has
// been dismissed; the worker waits meanwhile.
using TxErrorHandler = std::function<void(const char* text)>;

// Receives each traced frame as it goes on the line: STX, the body bytes with
// the checksum, ETX; called on the worker thread.
using FrameTraceSink = std::function<void(const uint8_t* frame, std::size_t size)>;

// Everything a download worker needs besides the port object itself. The
// window owns one for its whole life and hands its address to each worker;
// it supports one download at a time.
struct DownloadContext {
  StatusText dbStatusText;     // written by the database worker only
  StatusText mmiStatusText;    // written by the MMI worker only
  DevicePort* port = nullptr;  // set by the starter just before the worker starts
  DbTable dbTable{};
  MmiBlock mmiBlock{};
  uint8_t frameBuffer[kFrameBufferSize]{};
  int32_t txError = 0;

  // Set by the starter when a download starts; the worker clears it as its
  // very last action, so the window can tell when the download has ended.
  std::atomic<bool> downloadRunning{false};
  // Asks the running download to end before its next frame or read attempt.
  StopSignal stop;
  // Where pacing and polling sleeps go.
  LinkClock* clock = &SteadyLinkClock();
  // Shows the short-write message; empty: the text goes to standard error.
  TxErrorHandler showTxError;
  // Whether frames are echoed to standard output before they are sent.
  bool traceFrames = true;
  // Where traced frames go instead of standard output; empty: the console echo.
  FrameTraceSink traceSink;
  // NAKs a database download takes since it last reached a new highest entry
  // before it gives up; 0: no limit (the window's setting, whose operator can
  // disconnect).
  int32_t maxNaks = 0;
};

}  // namespace brenvik
