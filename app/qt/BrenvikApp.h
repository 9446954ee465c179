#pragma once

#include <QApplication>

namespace brenvik::app {

// The program: one application object, which runs the main window modally;
// closing the window ends the program.
class CBrenvikApp : public QApplication {
  Q_OBJECT

 public:
  // traceFrames: the window echoes every frame on standard output (off with
  // --no-trace).
  CBrenvikApp(int& argc, char** argv, bool traceFrames);

  // Runs the main window until it is closed; returns the exit code, 0.
  int InitInstance();

 private:
  bool m_bTraceFrames;
};

}  // namespace brenvik::app
