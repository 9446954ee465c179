#pragma once

#include <QApplication>
#include <string>

#include "app/CommandLine.h"

namespace brenvik::app {

// The program: one application object, which runs the main window modally;
// closing the window ends the program.
class CBrenvikApp : public QApplication {
  Q_OBJECT

 public:
  // The window echoes every frame on standard output unless --no-trace says
  // otherwise, and starts with --port's port in its port field and --job's
  // files.
  CBrenvikApp(int& argc, char** argv, const CommandLine& commandLine);

  // Runs the main window until it is closed; returns the exit code, 0.
  int InitInstance();

 private:
  bool m_bTraceFrames;
  std::string m_port;
  std::string m_job;
};

}  // namespace brenvik::app
