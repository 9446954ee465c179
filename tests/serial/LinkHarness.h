#pragma once

#include <string>
#include <vector>

#include "ScriptedDevice.h"
#include "serial/FrameLink.h"

namespace brenvik::test {

// A frame link wired to a scripted device and a counting clock, with the
// short-write messages recorded.
struct LinkHarness {
  StopSignal stop;
  CountingClock clock;
  ScriptedDevice device{&clock};
  FrameLink link{stop};
  FrameBuffer frame{};
  std::vector<std::string> boxes;

  LinkHarness() {
    link.SetPort(&device);
    link.SetClock(clock);
    link.SetTrace(false);
    link.SetTxErrorHandler([this](const char* text) { boxes.emplace_back(text); });
  }
  LinkHarness(const LinkHarness&) = delete;
  LinkHarness& operator=(const LinkHarness&) = delete;
};

}  // namespace brenvik::test
