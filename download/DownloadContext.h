#pragma once

#include <atomic>
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
};

}  // namespace brenvik
