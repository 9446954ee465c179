#pragma once

#include <string>
#include <utility>

namespace brenvik::app {

// The program: one application object, which runs the main window modally;
// closing the window ends the program.
class CBrenvikApp {
 public:
  // traceFrames: the window echoes every frame on standard output (--trace).
  // job: the job file whose files the window starts with (--job); empty: none.
  CBrenvikApp(bool traceFrames, std::string job)
      : m_bTraceFrames(traceFrames), m_job(std::move(job)) {}

  // Runs the main window until it is closed; returns the exit code, 0.
  int InitInstance();

 private:
  bool m_bTraceFrames;
  std::string m_job;
};

}  // namespace brenvik::app
